// The time to make the plain cache of a packed collection, per MB of its text: the collection is
// unpacked and written into an empty cache folder, once per run, and the median of the runs is
// printed with the text's size.
//
// Usage: cache_bench COLLECTION [RUNS]   (a Release build; the cache folder is a temporary one)
#include "collections/collection_cache.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: cache_bench COLLECTION [RUNS]\n", stderr);
        return 2;
    }
    const std::string source = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    char folder[] = "/var/tmp/pawnwatch2-cache-bench-XXXXXX";
    if (!::mkdtemp(folder)) {
        std::perror("cache_bench");
        return 2;
    }
    pw2::collections::CollectionCache::Options options;
    options.folder = folder;
    const pw2::collections::CollectionCache cache(options);
    std::vector<double> ms;
    double megabytes = 0;
    for (int run = 0; run < runs; ++run) {
        cache.removeAllBut("");
        const auto start = std::chrono::steady_clock::now();
        const pw2::collections::CollectionCache::Made made = cache.obtain(source);
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        if (!made.ok()) {
            std::fprintf(stderr, "cache_bench: %s\n", made.message.c_str());
            return 1;
        }
        struct stat info {};
        ::stat(made.path.c_str(), &info);
        megabytes = double(info.st_size) / 1e6;
    }
    cache.removeAllBut("");
    ::rmdir(folder);
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    std::printf("%s: %.1f MB of text, cache made in %.0f ms (median of %d), %.2f ms per MB\n",
                source.c_str(), megabytes, median, runs, median / megabytes);
    return 0;
}
