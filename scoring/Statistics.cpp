#include "scoring/Statistics.h"

#include <cmath>

void ValueCounts::add(qint64 value, qint64 times)
{
    if (times <= 0)
        return;
    m_counts[value] += times;
    m_count += times;
}

double Position::mean() const { return count == 0 ? 0 : double((long double)sum / count); }

double Position::standardDeviation() const
{
    if (count < 2)
        return 0;
    // n·Σx² − (Σx)², exact in 128 bits, over n(n − 1).
    const __int128 spread = (__int128)count * squares - (__int128)sum * sum;
    return double(std::sqrt((long double)spread / ((long double)count * (count - 1))));
}

double Position::percentileRank() const
{
    return count == 0 ? 0 : 100.0 * (double(below) + double(equal) / 2) / double(count);
}

double Position::standardScore(qint64 value) const
{
    const double sd = standardDeviation();
    return sd == 0 ? 100 : 100 + 15 * (double(value) - mean()) / sd;
}

double ValueCounts::mean() const { return positionOf(0).mean(); }

double ValueCounts::standardDeviation() const { return positionOf(0).standardDeviation(); }

qint64 ValueCounts::minimum() const { return m_counts.empty() ? 0 : m_counts.begin()->first; }

qint64 ValueCounts::maximum() const { return m_counts.empty() ? 0 : m_counts.rbegin()->first; }

double ValueCounts::median() const
{
    if (m_count == 0)
        return 0;
    // The values at positions (n-1)/2 and n/2 (from 0) of the sorted list.
    const qint64 lowPosition = (m_count - 1) / 2;
    const qint64 highPosition = m_count / 2;
    qint64 seen = 0;
    qint64 low = 0;
    bool haveLow = false;
    for (const auto &[value, times] : m_counts) {
        seen += times;
        if (!haveLow && seen > lowPosition) {
            low = value;
            haveLow = true;
        }
        if (seen > highPosition)
            return (double(low) + double(value)) / 2;
    }
    return double(low);
}

Position ValueCounts::positionOf(qint64 value) const
{
    Position out;
    for (const auto &[v, times] : m_counts) {
        out.count += times;
        out.sum += v * times;
        out.squares += v * v * times;
        if (v < value)
            out.below += times;
        else if (v == value)
            out.equal = times;
    }
    return out;
}

void ItemConsistency::add(const std::array<qint64, kItems> &items)
{
    ++m_count;
    long double scale = 0;
    for (int i = 0; i < kItems; ++i) {
        m_sum[size_t(i)] += items[size_t(i)];
        m_squares[size_t(i)] += (long double)items[size_t(i)] * items[size_t(i)];
        scale += items[size_t(i)];
    }
    m_total += scale;
    m_totalSquares += scale * scale;
}

void ItemConsistency::addItemAnswers(int item, qint64 value, qint64 times)
{
    m_sum[size_t(item)] += (long double)value * times;
    m_squares[size_t(item)] += (long double)value * value * times;
}

void ItemConsistency::addScaleTotals(qint64 total, qint64 times)
{
    m_count += times;
    m_total += (long double)total * times;
    m_totalSquares += (long double)total * total * times;
}

double ItemConsistency::variance(qint64 n, long double sum, long double squares)
{
    return double((squares - sum * sum / n) / (n - 1));
}

bool ItemConsistency::isDefined() const
{
    return m_count >= 2 && variance(m_count, m_total, m_totalSquares) > 1e-12;
}

double ItemConsistency::alpha() const
{
    if (!isDefined())
        return 0;
    double items = 0;
    for (int i = 0; i < kItems; ++i)
        items += variance(m_count, m_sum[size_t(i)], m_squares[size_t(i)]);
    const double k = kItems;
    return k / (k - 1) * (1 - items / variance(m_count, m_total, m_totalSquares));
}
