// A DLL that exists only to carry a version resource without a translation
// table; the tests embed it and write it out.
extern "C" __declspec(dllexport) int NoTranslationFixture() {
    return 0;
}
