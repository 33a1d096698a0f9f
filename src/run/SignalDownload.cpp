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
            const SinusValues v = EvaluateSignal(Form.Record(i));
            Device.LoadSignal(i, v, Form.state().EichTable);
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
        Device.LoadSignal(i, EvaluateSignal(Form.Record(i)), Form.state().EichTable);
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
