#include "sysfile/file_server.h"

#include "common/endpoints.h"

std::wstring GoodCopyUrl(const std::wstring& edition, const std::wstring& digest) {
    return std::wstring(L"http://") + FILEMENDER_FILESERVER_HOST + L"/sysfiles2/files/" + edition +
           L"/" + digest;
}
