// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/RunLoadHooks.h"

#include "model/MainForm.h"
#include "run/PortLoss.h"
#include "run/StatusProgress.h"
#include "run/TransferProgress.h"

namespace tonvera {

void RunLoadHooks::CheckBoxClicked(CheckBox box)
{
    if (box == CheckBox::ExternStart)
        Run.ExternStartClick();
    else
        ModelLoadHooks::CheckBoxClicked(box);
}

void RunLoadHooks::ReloadTables(const SinusArray& signals)
{
    // The progress window lets the events run between blocks; no tick may
    // poll the device in the middle of a table.
    CommandGate::Scope scope(Run.gate());
    StatusProgress progress(Form.view(), Device, true);
    TransferProgress transfer(Run.download().Window, Device);
    Device.ClearTableCache();
    auto table = [&](int i) { return signals[static_cast<std::size_t>(i)].Table.span(); };
    int count = 0;
    for (int i = 0; i < SignalSlots; ++i)
        count += Device.TableDue(i, table(i)) ? 1 : 0;
    CatchPortLost(Form, [&] {
        transfer.run([&] {
            for (int i = 0, number = 0; i < SignalSlots; ++i) {
                if (Device.TableDue(i, table(i)))
                    transfer.table(++number, count);
                Device.LoadTable(i, table(i));
            }
        });
    });
}

} // namespace tonvera
