#pragma once
#include <QtGlobal>

#include <array>
#include <map>

// Where one value stands in a sample of whole numbers, from five counts that
// a database can sum in one pass: the sample's size, sum and sum of squares,
// and how many values lie below and at the value.
struct Position {
    qint64 count = 0;
    qint64 sum = 0;
    qint64 squares = 0;
    qint64 below = 0;
    qint64 equal = 0;

    double mean() const;
    // The sample standard deviation (n - 1 in the denominator); 0 below two values.
    double standardDeviation() const;
    // Mid-rank percentile rank: the share below plus half the share equal, in percent.
    double percentileRank() const;
    // The value on a scale of mean 100 and standard deviation 15; only
    // meaningful when the standard deviation is not 0.
    double standardScore(qint64 value) const;
};

// Exact statistics of whole-number scores, kept as a count per value: a
// subscale has 25 possible values (6 to 30) and the total 361 (90 to 450), so
// memory stays the same whether ten subjects are counted or a million.
class ValueCounts
{
public:
    void add(qint64 value, qint64 times = 1);

    qint64 count() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    // Only meaningful when not empty.
    double mean() const;
    // The sample standard deviation (n - 1 in the denominator); 0 below two values.
    double standardDeviation() const;
    qint64 minimum() const;
    qint64 maximum() const;
    // The middle value, or the mean of the two middle values.
    double median() const;
    // Where a value stands among the counted values.
    Position positionOf(qint64 value) const;

    const std::map<qint64, qint64> &counts() const { return m_counts; }

private:
    std::map<qint64, qint64> m_counts;
    qint64 m_count = 0;
};

// Cronbach's alpha of a scale of six items, gathered one respondent at a time
// from the sums and sums of squares of each item and of the scale.
class ItemConsistency
{
public:
    static constexpr int kItems = 6;
    void add(const std::array<qint64, kItems> &items);
    // The same sums gathered from counts: `times` respondents answered
    // `value` to one item, or had `total` as the sum of their six answers.
    // Every respondent's six answers and his total are added once each.
    void addItemAnswers(int item, qint64 value, qint64 times);
    void addScaleTotals(qint64 total, qint64 times);
    qint64 count() const { return m_count; }
    // False with fewer than two respondents or when the scale's sum does not
    // vary; alpha is not defined then.
    bool isDefined() const;
    double alpha() const;

private:
    static double variance(qint64 n, long double sum, long double squares);
    qint64 m_count = 0;
    std::array<long double, kItems> m_sum{};
    std::array<long double, kItems> m_squares{};
    long double m_total = 0;
    long double m_totalSquares = 0;
};
