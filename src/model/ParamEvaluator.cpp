// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ParamEvaluator.h"

#include <cmath>

#include "model/Dialogs.h"
#include "model/Errors.h"
#include "model/Numbers.h"
#include "model/ParamTable.h"
#include "model/VariTable.h"

namespace tonvera {

double ParamEvaluator::OperandValue(std::string_view text) const
{
    // Compared with folding instead of building an upper-cased copy, so a
    // plain number is evaluated without allocating.
    const int slot = table_.LookupSlot(text);
    if (slot >= 0)
        return ConvertNumber(table_.ValueText(slot, variPos_), ',');
    if (ParseNumber(text).valid)
        return ConvertNumber(text, ',');
    dialogs_.messageBox(QuotedInput(AsciiUpper(text)) + " ist kein gültiger Wert!", AttentionTitle);
    return FailValue;
}

EvalResult ParamEvaluator::EvalParam(std::string_view text) const
{
    EvalResult r;
    r.ok = true;

    std::string_view factorText = "1";
    std::string_view rest = text;
    if (const auto star = text.find('*'); star != std::string_view::npos) {
        factorText = text.substr(0, star);
        rest = text.substr(star + 1);
    }

    std::string_view operandText = rest;
    double offset = 0.0;
    if (const auto plus = rest.find('+'); plus != std::string_view::npos) {
        operandText = rest.substr(0, plus);
        offset = OperandValue(rest.substr(plus + 1));
        if (offset == FailValue)
            r.ok = false;
    } else if (const auto minus = rest.find('-'); minus != std::string_view::npos) {
        operandText = rest.substr(0, minus);
        const double o = OperandValue(rest.substr(minus + 1));
        if (o == FailValue)
            r.ok = false;
        offset = -o;
    }

    const double operand = OperandValue(operandText);
    if (operand == FailValue)
        r.ok = false;
    const double factor = OperandValue(factorText);
    if (factor == FailValue)
        r.ok = false;

    r.value = factor * operand + offset;
    return r;
}

double ParamEvaluator::ParamValue(std::string_view text) const
{
    const EvalResult r = EvalParam(text);
    return r.ok ? r.value : FailValue;
}

std::string ParamEvaluator::RangeCheck(std::string_view text, int index, bool checkParam) const
{
    if (index < 0 || index >= ParamCount)
        throw RangeError();
    const auto idx = static_cast<std::size_t>(index);

    std::string_view work = text;
    if (!ParseNumber(text).valid) {
        if (EvalParam(text).ok)
            return std::string(text);
        work = "0";
    }

    double v = ConvertNumber(work, ',');

    v = SnapToStep(static_cast<ParamIndex>(index), v);

    if (index == ParamRampUp || index == ParamRampDown) {
        // A ramp time is what the integer increment n sent to the device
        // produces. For 0 and for times where n would round to 0 there is no
        // such time (the formula would divide by zero); these stay as they
        // are and so end below the minimum or above the maximum.
        if (v != 0.0) {
            const double n = rnd(16777216.0 / v / 4000.0);
            if (n != 0.0 && std::isfinite(n))
                v = 1.0 / (n * 4000.0 / 16777216.0);
        }
    }

    if (Params[idx].min <= v && v <= Params[idx].max)
        return FormatGeneral(v);
    if (checkParam) {
        dialogs_.messageBox("Parameter " + std::string(Params[idx].name) + " ist außerhalb des zulässigen Bereichs!",
                            AttentionTitle);
        return FormatGeneral(v > Params[idx].max ? Params[idx].max : Params[idx].min);
    }
    return FormatGeneral(v);
}

std::string ParamEvaluator::VariableRef(std::string_view text) const
{
    const int slot = table_.LookupSlot(text);
    if (slot >= 0)
        return std::to_string(-(slot + 1));
    return AsciiUpper(text);
}

} // namespace tonvera
