// SPDX-License-Identifier: GPL-3.0-or-later
// A non-negative count too large for any machine number: the layouts of an expert board run to
// hundreds of bits. Kept as a double with a separate binary exponent, so products never
// overflow or underflow and zero stays exactly zero: a sum or product of non-zero weights is
// never zero, which is what lets "certainly safe" be decided exactly.
#pragma once

#include <cmath>
#include <cstdint>

class Weight {
public:
    /// Zero.
    Weight() = default;
    /// v must be finite and not negative.
    explicit Weight(double v) { normalise(v, 0); }

    [[nodiscard]] bool isZero() const { return m_mantissa == 0.0; }

    friend Weight operator*(Weight a, Weight b)
    {
        Weight result;
        result.normalise(a.m_mantissa * b.m_mantissa, a.m_exponent + b.m_exponent);
        return result;
    }
    friend Weight operator*(Weight a, double factor) { return a * Weight(factor); }

    Weight& operator+=(Weight other)
    {
        if (other.isZero())
            return *this;
        if (isZero())
            return *this = other;
        // Aligning to the larger exponent only ever loses bits far below the sum's precision.
        const std::int64_t top = m_exponent > other.m_exponent ? m_exponent : other.m_exponent;
        const double sum = std::ldexp(m_mantissa, static_cast<int>(m_exponent - top)) +
            std::ldexp(other.m_mantissa, static_cast<int>(other.m_exponent - top));
        normalise(sum, top);
        return *this;
    }

    /// a / b as a double; b must not be zero.
    [[nodiscard]] friend double ratio(Weight a, Weight b)
    {
        if (a.isZero())
            return 0.0;
        const std::int64_t shift = a.m_exponent - b.m_exponent;
        // Beyond a double's range the quotient is 0 or huge; probabilities never get there.
        if (shift < -2000)
            return 0.0;
        if (shift > 2000)
            return HUGE_VAL;
        return std::ldexp(a.m_mantissa / b.m_mantissa, static_cast<int>(shift));
    }

private:
    void normalise(double mantissa, std::int64_t exponent)
    {
        int shift = 0;
        m_mantissa = std::frexp(mantissa, &shift);
        m_exponent = m_mantissa == 0.0 ? 0 : exponent + shift;
    }

    // value = m_mantissa × 2^m_exponent, with m_mantissa in [0.5, 1) or exactly 0.
    double m_mantissa = 0.0;
    std::int64_t m_exponent = 0;
};
