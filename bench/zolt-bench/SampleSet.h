#pragma once

#include <vector>

// Repeated measurements of one quantity.
class SampleSet {
public:
    void Add(double value) { m_values.push_back(value); }
    bool IsEmpty() const { return m_values.empty(); }
    int Count() const { return static_cast<int>(m_values.size()); }

    // The middle value (the mean of the two middle ones for an even count); 0 when empty.
    double Median() const;
    double Min() const;
    double Max() const;

private:
    std::vector<double> m_values;
};
