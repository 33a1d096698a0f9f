// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turns parameter texts into values: a number, a variable name, or
// [factor*]operand[+offset or -offset]. A text that does not evaluate yields
// -10, which then flows on as an ordinary value. The evaluator borrows the
// variable table and the position, so the download and the simulation can
// evaluate at any position without touching the main window's state.

#include <cstdint>
#include <string>
#include <string_view>

namespace tonvera {

class Dialogs;
class VariTable;

struct EvalResult {
    bool ok = false;
    double value = 0.0;
};

class ParamEvaluator {
public:
    static constexpr double FailValue = -10.0;

    ParamEvaluator(const VariTable& table, std::int32_t variPos, Dialogs& dialogs)
        : table_(table), variPos_(variPos), dialogs_(dialogs)
    {
    }

    // One operand: a variable name (ASCII case-insensitive, last slot wins)
    // or a number with the decimal comma. Neither: the message
    // "<TEXT> ist kein gültiger Wert!" and -10. A variable value beyond the
    // end of its list throws ListIndexError; a number with a point throws
    // ConvertError.
    double OperandValue(std::string_view text) const;
    // The expression reader; evaluates offset, operand and factor in this
    // order, so the messages of several bad parts come in that order.
    EvalResult EvalParam(std::string_view text) const;
    // EvalParam's value, or -10 when it fails.
    double ParamValue(std::string_view text) const;
    // The commit-time check of parameter index 0..11: quantises, snaps ramp
    // times, limits (with the message while `checkParam` is set) and rewrites
    // plain numbers; expressions and variable names pass unchanged.
    std::string RangeCheck(std::string_view text, int index, bool checkParam) const;
    // "-<k+1>" when the text names the variable in slot k, else the text
    // upper-cased.
    [[nodiscard]] std::string VariableRef(std::string_view text) const;

private:
    const VariTable& table_;
    std::int32_t variPos_;
    Dialogs& dialogs_;
};

} // namespace tonvera
