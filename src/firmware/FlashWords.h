#pragma once

#include <QtGlobal>

#include <cstddef>
#include <vector>

// Program-memory words by word address, read as 0xFFFF (erased) wherever nothing was written.
// Storage comes in pages filled only when a word in them is first written, so an image costs
// what its file holds, not the whole address range.
class FlashWords
{
public:
    static constexpr qint32 Erased = 0xFFFF;
    static constexpr std::size_t PageWords = 1024;

    explicit FlashWords(std::size_t size)
        : m_size(size), m_pages((size + PageWords - 1) / PageWords)
    {}

    std::size_t size() const { return m_size; }
    // The word at index; erased when it was never written or lies outside the image.
    qint32 operator[](std::size_t index) const
    {
        if (index >= m_size)
            return Erased;
        const std::vector<qint32>& page = m_pages[index / PageWords];
        return page.empty() ? Erased : page[index % PageWords];
    }
    // Writes the word at index, which must lie inside the image.
    void set(std::size_t index, qint32 word)
    {
        std::vector<qint32>& page = m_pages[index / PageWords];
        if (page.empty())
            page.assign(PageWords, Erased);
        page[index % PageWords] = word;
    }
    // Calls visit(index, word) for every word of the pages written so far, in address order;
    // the words of those pages that were not written come as erased.
    template <class Visit> void forEachStored(Visit visit) const
    {
        for (std::size_t p = 0; p < m_pages.size(); ++p) {
            const std::vector<qint32>& page = m_pages[p];
            for (std::size_t i = 0; i < page.size() && p * PageWords + i < m_size; ++i)
                visit(p * PageWords + i, page[i]);
        }
    }

private:
    std::size_t m_size;
    std::vector<std::vector<qint32>> m_pages;
};
