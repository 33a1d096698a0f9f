// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The order in which a run through the variables plays the positions:
// ascending as always, a new random permutation in every pass, or the
// operator's own list. A random order is reproducible from its seed on
// every machine and with every library, because the generator and the
// shuffle are written out here instead of taken from the standard library,
// whose distributions and shuffle may change between versions.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tonvera {

enum class OrderKind {
    Ascending, // "aufsteigend"
    Random,    // "zufällig"
    List,      // "Liste"
};
inline constexpr std::array<std::string_view, 3> OrderCaptions = {"aufsteigend", "zufällig", "Liste"};
[[nodiscard]] inline std::string_view OrderCaption(OrderKind k) { return OrderCaptions[static_cast<std::size_t>(k)]; }

// What the operator chose, as texts the way the window holds them: an empty
// seed is drawn at Start.
struct OrderSetting {
    OrderKind Kind = OrderKind::Ascending;
    std::string Seed;
    std::string List;

    friend bool operator==(const OrderSetting&, const OrderSetting&) = default;
};

// The 64-bit Mersenne Twister (MT19937-64), written out so that its output
// is fixed by this file alone.
class Mt64 {
public:
    explicit Mt64(std::uint64_t seed);
    std::uint64_t next();

private:
    static constexpr int N = 312;
    std::array<std::uint64_t, N> State{};
    int Index = N;
};

// A draw from 0 .. bound-1 with equal chances (bound > 0): draws that would
// favour the low values are thrown away.
[[nodiscard]] std::uint64_t BoundedDraw(Mt64& gen, std::uint64_t bound);
// Fisher–Yates from the last entry down.
void Shuffle(std::vector<std::int32_t>& values, Mt64& gen);

// The largest list the program takes, far beyond any experiment.
inline constexpr std::size_t MaxOrderEntries = 1'000'000;

// A typed seed: a whole number 0 .. 2^64-1, spaces around it allowed.
// AbortError "'x' ist kein gültiger Startwert" otherwise.
[[nodiscard]] std::uint64_t ParseSeed(std::string_view text);
// A seed for a run whose seed field is empty: a fresh one each time,
// short enough to be written down.
[[nodiscard]] std::uint64_t DrawSeed();

// The list "3 1 4 2 2": positions separated by spaces, commas, semicolons
// or line breaks, repeats allowed. Every entry must be a position
// 1..positions; the AbortError names the first entry that is not.
[[nodiscard]] std::vector<std::int32_t> ParseOrderList(std::string_view text, std::int32_t positions);

// The order for one run, pass after pass.
class PositionSequence {
public:
    PositionSequence() = default;
    // Random: every pass a new permutation of 1..positions from `seed`;
    // List: every pass the list; Ascending: 1..positions.
    PositionSequence(OrderKind kind, std::int32_t positions, std::uint64_t seed, std::vector<std::int32_t> list = {});

    [[nodiscard]] OrderKind kind() const { return Kind; }
    // The entries of the pass being played.
    [[nodiscard]] const std::vector<std::int32_t>& pass() const { return Pass; }
    // 1-based number of the entry playing now in its pass (0 before the first).
    [[nodiscard]] std::int32_t presentation() const { return Played; }
    // The first entry of the pass, which Start plays; 1 for an empty pass.
    std::int32_t first();
    // The next entry of this pass; at the end of a pass none, and the next
    // pass is made ready.
    std::optional<std::int32_t> next();

    // Passes one after the other, as a whole run would play them.
    [[nodiscard]] static std::vector<std::int32_t> Run(OrderKind kind, std::int32_t positions, std::uint64_t seed,
                                                       const std::vector<std::int32_t>& list, int passes);

private:
    void newPass();

    OrderKind Kind = OrderKind::Ascending;
    std::int32_t Positions = 0;
    Mt64 Gen{0};
    std::vector<std::int32_t> List;
    std::vector<std::int32_t> Pass;
    std::int32_t Played = 0;
};

// A setting resolved for a run over `positions`: the list parsed and
// checked, the seed parsed or drawn. Throws the AbortErrors of ParseSeed and
// ParseOrderList; only the kind's own field is looked at.
struct ResolvedOrder {
    OrderKind Kind = OrderKind::Ascending;
    std::uint64_t Seed = 0;
    bool SeedDrawn = false;
    std::vector<std::int32_t> List;

    [[nodiscard]] PositionSequence sequence(std::int32_t positions) const
    {
        return PositionSequence(Kind, positions, Seed, List);
    }
};
[[nodiscard]] ResolvedOrder ResolveOrder(const OrderSetting& setting, std::int32_t positions);

// One pass as a simulation or a preview shows it: empty for ascending and
// for a random order whose seed is drawn only at Start (any permutation
// takes as long as the ascending walk). Throws the list's AbortError.
[[nodiscard]] std::vector<std::int32_t> SimulationOrder(const OrderSetting& setting, std::int32_t positions);

// "Reihenfolge zufällig, Startwert 7", "Reihenfolge Liste", ...
[[nodiscard]] std::string OrderSummary(const ResolvedOrder& order);
// "Darbietung 2 von 5"
[[nodiscard]] std::string PresentationText(std::int32_t k, std::int32_t n);

} // namespace tonvera
