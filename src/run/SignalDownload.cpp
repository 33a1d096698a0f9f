// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/SignalDownload.h"

#include "run/StatusProgress.h"
#include "run/TransferProgress.h"

namespace tonvera {

SinusValues SignalDownload::EvaluateSignal(const SinusRecord& record) const
{
    SinusValues v;
    for (const int param : EvaluationOrder)
        v.Param(param) = Form.ParamValue(record.Text(param));
    v.Table = &record.Table;
    v.TabTyp = record.TabTyp;
    v.TabPara = record.TabPara;
    v.Used = record.Used;
    return v;
}

void SignalDownload::DownloadSet()
{
    StatusProgress progress(Form.view(), Device, true);
    TransferProgress transfer(Window, Device);
    int count = 0;
    for (int i = 0; i < SignalSlots; ++i)
        count += Device.TableDue(i, Form.Record(i).Table.span()) ? 1 : 0;
    transfer.run([&] {
        int number = 0;
        for (int i = 0; i < SignalSlots; ++i) {
            LoadSignal(i, EvaluateSignal(Form.Record(i)));
            if (Device.TableDue(i, Form.Record(i).Table.span()))
                transfer.table(++number, count);
            Device.LoadTable(i, Form.Record(i).Table.span());
        }
        Device.ConfirmAnswers();
    });
}

void SignalDownload::LoadSignals()
{
    for (int i = 0; i < SignalSlots; ++i)
        LoadSignal(i, EvaluateSignal(Form.Record(i)));
}

void SignalDownload::LoadSignal(int slot, const SinusValues& v)
{
    const auto k = static_cast<std::size_t>(slot);
    SentUsed[k] = false;
    // EichError holds for the whole download; the clamp of this one signal
    // is its own.
    const bool before = Device.EichError;
    Device.EichError = false;
    double sent = 0;
    try {
        sent = Device.LoadSignal(slot, v, Form.state().EichTable);
    } catch (...) {
        Device.EichError = before || Device.EichError;
        throw;
    }
    const bool clamped = Device.EichError;
    Device.EichError = before || clamped;
    SentSignals[k] =
        SignalSent{slot, v.TabTyp, v.Freq, v.Phase, v.Ampl, sent, clamped, v.Start, v.Dach, v.RampUp, v.RampDown};
    SentUsed[k] = v.Used;
}

bool SignalDownload::LoadTable(int slot)
{
    StatusProgress progress(Form.view(), Device, true);
    TransferProgress transfer(Window, Device);
    bool sent = false;
    transfer.run([&] {
        Device.Realign();
        if (Device.TableDue(slot, Form.Record(slot).Table.span()))
            transfer.table(1, 1);
        sent = Device.LoadTable(slot, Form.Record(slot).Table.span());
    });
    return sent;
}

} // namespace tonvera
