// Writes the fuzzer's seed samples: the clean DLL and one sample of every kind
// the infected-sample fixture makes from it.
//   make_pe_seeds CLEAN_DLL OUTPUT_DIR
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "killers/infected_sample.h"

namespace {

bool Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s CLEAN_DLL OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<uint8_t> clean{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    const std::string dir = argv[2];
    if (!Write(dir + "/clean_dll", clean))
        return 1;
    for (const SampleKindInfo& info : kSampleKinds) {
        const std::vector<uint8_t> sample = MakeInfectedSample(clean, info.kind);
        if (sample.empty()) {
            std::fprintf(stderr, "%s: not a PE file whose last section ends the file\n", argv[1]);
            return 1;
        }
        if (!Write(dir + "/" + info.name, sample))
            return 1;
    }
    return 0;
}
