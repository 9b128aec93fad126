// The pointer timer's hit test: time per call and heap allocations made.
#include "crest/CrestGeometry.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> g_allocations{0};
}

void *operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void *p) noexcept
{
    std::free(p);
}

void operator delete(void *p, std::size_t) noexcept
{
    std::free(p);
}

int main()
{
    const auto geometry =
        CrestGeometry::measure({ScreenInfo{QRectF(0, 0, 1920, 1080), 0, {}, {}}}, 0);
    constexpr int kCalls = 10'000'000;
    int inside = 0;
    const long before = g_allocations.load();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kCalls; ++i) {
        const QPointF point((i * 7) % 1920, (i * 3) % 1080);
        inside += geometry->containsPointer(point, (i & 1) != 0) ? 1 : 0;
    }
    const auto elapsed =
        std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start);
    const long allocations = g_allocations.load() - before;
    std::printf("hit test: %.1f ns per call over %d calls (%d inside), %ld heap allocations\n",
                elapsed.count() / kCalls, kCalls, inside, allocations);
    return allocations == 0 ? 0 : 1;
}
