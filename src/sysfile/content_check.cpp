#include "sysfile/content_check.h"

#include "common/file_digest.h"

Content CompareContent(const std::wstring& path, const Digest& good) {
    Digest actual = {};
    if (!DigestOfFile(path, actual))
        return Content::Unreadable;
    return actual == good ? Content::GoodCopy : Content::Other;
}
