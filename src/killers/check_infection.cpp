#include "killers/check_infection.h"

#include "killers/cybo_qq_file_changes.h"
#include "killers/infection_stub.h"
#include "killers/pe_parser.h"

bool CheckInfection(const wchar_t* path, const wchar_t* outputPath) {
    CPEParser parser;
    if (!parser.Load(path))
        return false;
    InfectionCleanup cleanup;
    if (!FindInfection(parser.View(), cleanup))
        return false;
    if (outputPath == nullptr)
        return true;
    const uint32_t length = CleanInfection(parser.View(), cleanup);
    return WriteCleanedCopy(outputPath, parser.View().Image(), length);
}
