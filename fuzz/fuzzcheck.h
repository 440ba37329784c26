// SPDX-License-Identifier: GPL-3.0-or-later
// What every fuzz harness shares: the entry point, invariant checks and input slicing.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

/// libFuzzer's entry point; the replay main calls the same function for each corpus file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

/// A broken invariant: print where and what, then abort so the fuzzer keeps the input.
#define FUZZ_CHECK(cond)                                                                      \
    do {                                                                                      \
        if (!(cond)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (0)

namespace fuzz {

/// Reads a fixed-size header from the front of the input (zeros past its end) and hands out
/// the rest, so short inputs still run and the tail stays raw text the fuzzer can mutate.
class Input
{
public:
    Input(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}

    /// The next header octet, or 0 once the input is used up.
    std::uint8_t byte()
    {
        return m_pos < m_size ? m_data[m_pos++] : 0;
    }
    /// The next `n` header octets as one little-endian number (n <= 8).
    std::uint64_t bits(int n)
    {
        std::uint64_t v = 0;
        for (int i = 0; i < n; ++i)
            v |= std::uint64_t(byte()) << (8 * i);
        return v;
    }
    /// Everything not read yet.
    QByteArray rest() const
    {
        return m_pos < m_size ? QByteArray(reinterpret_cast<const char *>(m_data + m_pos),
                                           qsizetype(m_size - m_pos))
                              : QByteArray();
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

/// A small deterministic generator (xorshift) for chunk sizes and choices drawn from a seed.
class Dice
{
public:
    explicit Dice(std::uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    /// A number in 0..n-1 (n > 0).
    std::uint32_t below(std::uint32_t n)
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return std::uint32_t(m_state % n);
    }

private:
    std::uint64_t m_state;
};

} // namespace fuzz
