// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/PositionOrder.h"

#include <charconv>
#include <random>
#include <utility>

#include "model/Errors.h"

namespace tonvera {

namespace {

constexpr int MtShift = 156;
constexpr std::uint64_t MtMatrix = 0xB5026F5AA96619E9ULL;
constexpr std::uint64_t MtUpper = 0xFFFFFFFF80000000ULL;
constexpr std::uint64_t MtLower = 0x7FFFFFFFULL;

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool IsListSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == ';' || c == '\r' || c == '\n'; }

} // namespace

Mt64::Mt64(std::uint64_t seed)
{
    State[0] = seed;
    for (int i = 1; i < N; ++i) {
        const std::uint64_t prev = State[std::size_t(i - 1)];
        State[std::size_t(i)] = 6364136223846793005ULL * (prev ^ (prev >> 62)) + std::uint64_t(i);
    }
}

std::uint64_t Mt64::next()
{
    if (Index >= N) {
        for (int i = 0; i < N; ++i) {
            const std::uint64_t x = (State[std::size_t(i)] & MtUpper) | (State[std::size_t((i + 1) % N)] & MtLower);
            const std::uint64_t mag = (x & 1U) ? MtMatrix : 0;
            State[std::size_t(i)] = State[std::size_t((i + MtShift) % N)] ^ (x >> 1) ^ mag;
        }
        Index = 0;
    }
    std::uint64_t x = State[std::size_t(Index++)];
    x ^= (x >> 29) & 0x5555555555555555ULL;
    x ^= (x << 17) & 0x71D67FFFEDA60000ULL;
    x ^= (x << 37) & 0xFFF7EEE000000000ULL;
    x ^= x >> 43;
    return x;
}

std::uint64_t BoundedDraw(Mt64& gen, std::uint64_t bound)
{
    // 2^64 mod bound values at the bottom would come up once more often
    // than the rest.
    const std::uint64_t threshold = (0 - bound) % bound;
    for (;;) {
        const std::uint64_t r = gen.next();
        if (r >= threshold)
            return r % bound;
    }
}

void Shuffle(std::vector<std::int32_t>& values, Mt64& gen)
{
    for (std::size_t i = values.size(); i > 1; --i) {
        const std::size_t j = std::size_t(BoundedDraw(gen, i));
        std::swap(values[i - 1], values[j]);
    }
}

std::uint64_t ParseSeed(std::string_view text)
{
    const std::string_view t = Trim(text);
    std::uint64_t v = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || ec != std::errc() || end != t.data() + t.size())
        throw AbortError("'" + QuotedInput(std::string(text)) + "' ist kein gültiger Startwert");
    return v;
}

std::uint64_t DrawSeed()
{
    std::random_device device;
    return std::uint64_t(device()) % 1000000ULL;
}

std::vector<std::int32_t> ParseOrderList(std::string_view text, std::int32_t positions)
{
    std::vector<std::int32_t> list;
    std::size_t i = 0;
    while (i < text.size()) {
        if (IsListSeparator(text[i])) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < text.size() && !IsListSeparator(text[j]))
            ++j;
        const std::string_view word = text.substr(i, j - i);
        const std::string place =
            std::to_string(list.size() + 1) + ". Eintrag der Liste, '" + QuotedInput(std::string(word)) + "',";
        std::int32_t v = 0;
        const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
        if (ec != std::errc() || end != word.data() + word.size())
            throw AbortError("Der " + place + " ist keine Position");
        if (v < 1 || v > positions) {
            if (positions < 1)
                throw AbortError("Der " + place + " ist keine Position: es gibt keine Variablenpositionen");
            throw AbortError("Der " + place + " liegt außerhalb der Positionen 1 bis " + std::to_string(positions));
        }
        if (list.size() == MaxOrderEntries)
            throw AbortError("Die Liste der Reihenfolge hat mehr als " + std::to_string(MaxOrderEntries) + " Einträge");
        list.push_back(v);
        i = j;
    }
    if (list.empty())
        throw AbortError("Die Liste der Reihenfolge ist leer");
    return list;
}

PositionSequence::PositionSequence(OrderKind kind, std::int32_t positions, std::uint64_t seed,
                                   std::vector<std::int32_t> list)
    : Kind(kind), Positions(positions < 0 ? 0 : positions), Gen(seed), List(std::move(list))
{
    newPass();
}

void PositionSequence::newPass()
{
    Played = 0;
    if (Kind == OrderKind::List) {
        Pass = List;
        return;
    }
    Pass.resize(std::size_t(Positions));
    for (std::int32_t p = 0; p < Positions; ++p)
        Pass[std::size_t(p)] = p + 1;
    if (Kind == OrderKind::Random)
        Shuffle(Pass, Gen);
}

std::int32_t PositionSequence::first()
{
    Played = 1;
    return Pass.empty() ? 1 : Pass.front();
}

std::optional<std::int32_t> PositionSequence::next()
{
    if (std::size_t(Played) < Pass.size())
        return Pass[std::size_t(Played++)];
    newPass();
    return std::nullopt;
}

std::vector<std::int32_t> PositionSequence::Run(OrderKind kind, std::int32_t positions, std::uint64_t seed,
                                                const std::vector<std::int32_t>& list, int passes)
{
    PositionSequence seq(kind, positions, seed, list);
    std::vector<std::int32_t> all;
    for (int p = 0; p < passes; ++p) {
        all.insert(all.end(), seq.Pass.begin(), seq.Pass.end());
        seq.newPass();
    }
    return all;
}

ResolvedOrder ResolveOrder(const OrderSetting& setting, std::int32_t positions)
{
    ResolvedOrder r;
    r.Kind = setting.Kind;
    if (setting.Kind == OrderKind::List) {
        r.List = ParseOrderList(setting.List, positions);
    } else if (setting.Kind == OrderKind::Random) {
        if (Trim(setting.Seed).empty()) {
            r.Seed = DrawSeed();
            r.SeedDrawn = true;
        } else {
            r.Seed = ParseSeed(setting.Seed);
        }
    }
    return r;
}

std::vector<std::int32_t> SimulationOrder(const OrderSetting& setting, std::int32_t positions)
{
    if (setting.Kind == OrderKind::Ascending || (setting.Kind == OrderKind::Random && Trim(setting.Seed).empty()))
        return {};
    return ResolveOrder(setting, positions).sequence(positions).pass();
}

std::string OrderSummary(const ResolvedOrder& order)
{
    std::string s = "Reihenfolge " + std::string(OrderCaption(order.Kind));
    if (order.Kind == OrderKind::Random)
        s += ", Startwert " + std::to_string(order.Seed);
    return s;
}

std::string PresentationText(std::int32_t k, std::int32_t n)
{
    return "Darbietung " + std::to_string(k) + " von " + std::to_string(n);
}

} // namespace tonvera
