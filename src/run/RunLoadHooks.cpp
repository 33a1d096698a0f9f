#include "run/RunLoadHooks.h"

#include <algorithm>

#include "model/MainForm.h"
#include "run/PortLoss.h"
#include "run/StatusProgress.h"

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
    StatusProgress progress(Form.view(), Device, true);
    for (int i = 0; i < SignalSlots; ++i) {
        WaveTable& cached = Device.TableCache[static_cast<std::size_t>(i)];
        std::fill(cached.begin(), cached.end(), 0);
    }
    CatchPortLost(Form, [&] {
        for (int i = 0; i < SignalSlots; ++i)
            Device.LoadTable(i, signals[static_cast<std::size_t>(i)].Table.span());
    });
}

} // namespace tonvera
