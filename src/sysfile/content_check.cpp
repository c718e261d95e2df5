#include "sysfile/content_check.h"

#include "sysfile/run_digests.h"

Content CompareContent(const std::wstring& path, const Digest& good) {
    Digest actual = {};
    if (!RunDigestOf(path, actual))
        return Content::Unreadable;
    return actual == good ? Content::GoodCopy : Content::Other;
}
