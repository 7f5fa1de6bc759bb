#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A broken invariant is a finding like a crash: say which one and abort, so both libFuzzer and
// the corpus driver stop on it and keep the input.
inline void fuzzCheck(bool holds, const char* invariant)
{
    if (holds)
        return;
    std::fprintf(stderr, "Broken invariant: %s\n", invariant);
    std::abort();
}

// Reads a fuzz input front to back; past the end every read gives 0 bytes or the value 0, so
// a target never needs to test the length itself.
class FuzzInput
{
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_pos >= m_size; }
    std::size_t remaining() const { return m_size - m_pos; }

    std::uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }

    // Up to count bytes; fewer when the input ends first.
    const char* take(std::size_t count, std::size_t& taken)
    {
        taken = count < remaining() ? count : remaining();
        const char* start = reinterpret_cast<const char*>(m_data + m_pos);
        m_pos += taken;
        return start;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};
