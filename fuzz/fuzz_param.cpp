// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary text as a parameter: evaluation and the range check of every
// parameter index must neither crash nor read outside any bound. The errors
// that abort a command (a point as separator, a position beyond a
// variable's values) are the expected outcome for some texts.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/QuietDialogs.h"
#include "model/Errors.h"
#include "model/Numbers.h"
#include "model/ParamEvaluator.h"
#include "model/ParamTable.h"
#include "model/VariTable.h"

namespace {

tonvera::VariTable makeTable()
{
    tonvera::VariTable t;
    t.slot(0) = {"a", "1", "2", "4,5"};
    t.slot(1) = {"Freq", "100", "x", "1.5"};
    t.slot(2) = {"m", "-10"};
    t.slot(3) = {"b"};
    t.slot(4) = {"ä", "1E300", "0"};
    return t;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const tonvera::VariTable table = makeTable();
    tonvera::QuietDialogs dialogs;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    for (std::int32_t pos : {0, 1, 3}) {
        const tonvera::ParamEvaluator eval(table, pos, dialogs);
        try {
            (void)eval.EvalParam(text);
            (void)eval.VariableRef(text);
        } catch (const tonvera::AbortError&) {
        }
        for (int index = 0; index < tonvera::ParamCount; ++index) {
            for (bool checkParam : {true, false}) {
                try {
                    const std::string out = eval.RangeCheck(text, index, checkParam);
                    if (out == text)
                        continue;
                    // A rewritten text is a number that reads back, and one
                    // without a sign evaluates again without a message.
                    if (!tonvera::ParseNumber(out).valid)
                        __builtin_trap();
                    if (out[0] != '-') {
                        tonvera::QuietDialogs quiet;
                        const tonvera::ParamEvaluator again(table, pos, quiet);
                        if (!again.EvalParam(out).ok || !quiet.texts().empty())
                            __builtin_trap();
                    }
                } catch (const tonvera::AbortError&) {
                }
            }
        }
    }
    return 0;
}
