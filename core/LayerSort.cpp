#include "core/LayerSort.h"

#include "core/Timeline.h"

#include <cstddef>
#include <cstdint>

namespace
{

uint32_t Layer(const TEffect& e)
{
    return static_cast<uint32_t>(e.LayerID);
}

// Stable merge of the sorted runs [from, mid) and [mid, to) of in into out.
void Merge(const TEffect* in, TEffect* out, size_t from, size_t mid, size_t to)
{
    size_t a = from, b = mid, k = from;
    while (a < mid && b < to)
        out[k++] = Layer(in[b]) < Layer(in[a]) ? in[b++] : in[a++];
    while (a < mid)
        out[k++] = in[a++];
    while (b < to)
        out[k++] = in[b++];
}

// Short runs by insertion, then bottom-up merges between the two halves of
// the working space: O(n log n), stable, no allocation.
const TEffect* StableSort(TEffect* records, TEffect* spare, size_t n)
{
    const size_t kRun = 16;
    for (size_t from = 0; from < n; from += kRun)
    {
        size_t to = from + kRun < n ? from + kRun : n;
        for (size_t i = from + 1; i < to; ++i)
        {
            TEffect e = records[i];
            size_t j = i;
            for (; j > from && Layer(records[j - 1]) > Layer(e); --j)
                records[j] = records[j - 1];
            records[j] = e;
        }
    }
    TEffect* in = records;
    TEffect* out = spare;
    for (size_t width = kRun; width < n; width *= 2)
    {
        for (size_t from = 0; from < n; from += 2 * width)
        {
            size_t mid = from + width < n ? from + width : n;
            size_t to = from + 2 * width < n ? from + 2 * width : n;
            Merge(in, out, from, mid, to);
        }
        TEffect* t = in;
        in = out;
        out = t;
    }
    return in;
}

} // namespace

void SortByLayer(const std::vector<TEffect*>& active, std::vector<TEffect>& scratch)
{
    const size_t n = active.size();
    // After the first frame of a span the slots are usually in order already.
    size_t firstOutOfOrder = 1;
    while (firstOutOfOrder < n &&
           Layer(*active[firstOutOfOrder - 1]) <= Layer(*active[firstOutOfOrder]))
        ++firstOutOfOrder;
    if (firstOutOfOrder >= n)
        return;

    scratch.resize(2 * n);
    for (size_t i = 0; i < n; ++i)
        scratch[i] = *active[i];
    const TEffect* sorted = StableSort(scratch.data(), scratch.data() + n, n);
    for (size_t i = 0; i < n; ++i)
        *active[i] = sorted[i];
}
