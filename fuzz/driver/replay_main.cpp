// Replays a fuzz target's seed corpus (and any files named on the command line)
// without libFuzzer, so that the ordinary test build checks every seed. A seed
// that takes more than 10 s (under the sanitizers) fails the replay: the fuzz
// build stops at 2 s an input, and a seed that slow hides a fault there.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static double g_limit = 10.0;
static int g_slow = 0;

static int replay(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto start = std::chrono::steady_clock::now();
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (secs > g_limit) {
        std::fprintf(stderr, "too slow: %s took %.1f s (limit %.0f s)\n", p.string().c_str(), secs, g_limit);
        ++g_slow;
    }
    return 1;
}

int main(int argc, char** argv)
{
    int count = 0;
    // --limit=S changes the per-input limit (the test of this driver uses it).
    int first = 1;
    if (argc > 1 && std::string(argv[1]).rfind("--limit=", 0) == 0) {
        g_limit = std::stod(std::string(argv[1]).substr(8));
        first = 2;
    }
    for (int i = first; i < argc; ++i) {
        std::filesystem::path p(argv[i]);
        if (std::filesystem::is_directory(p)) {
            for (const auto& e : std::filesystem::recursive_directory_iterator(p))
                if (e.is_regular_file()) count += replay(e.path());
        } else if (std::filesystem::exists(p)) {
            count += replay(p);
        }
    }
    LLVMFuzzerTestOneInput(nullptr, 0);
    std::printf("replayed %d inputs\n", count);
    return g_slow == 0 ? 0 : 1;
}
