#include "killers/sample_files.h"

#include "support/test_files.h"

std::vector<uint8_t> FileBytes(const std::wstring& path) {
    const std::string bytes = ReadWholeFile(path);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::vector<uint8_t> CleanCompanion() {
    return FileBytes(L"C:\\tools\\clean_companion32.dll");
}

bool WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    return WriteWholeFile(path, std::string(bytes.begin(), bytes.end()));
}

bool WriteSample(const std::wstring& path, SampleKind kind) {
    const std::vector<uint8_t> sample = MakeInfectedSample(CleanCompanion(), kind);
    return !sample.empty() && WriteBytes(path, sample);
}
