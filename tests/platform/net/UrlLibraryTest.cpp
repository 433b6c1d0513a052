// The URL library is loaded by the first fetch, not by the start-up.
#include "LoopbackServer.h"

#include "platform/net/Network.h"
#include "platform/net/UrlFetch.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

bool urlLibraryLoaded()
{
    void* library = ::dlopen("libcurl.so.4", RTLD_LAZY | RTLD_NOLOAD);
    if (library)
        ::dlclose(library);
    return library != nullptr;
}

TEST(UrlLibrary, TheStartLeavesItAloneAndTheFirstFetchLoadsIt)
{
    if (urlLibraryLoaded())
        GTEST_SKIP() << "an earlier test in this process fetched a URL";
    EXPECT_TRUE(platform::initNetwork());
    EXPECT_FALSE(urlLibraryLoaded());
    test::LoopbackServer server(test::httpResponse("first page"));
    const QByteArray url = "http://127.0.0.1:" + QByteArray::number(server.port()) + "/";
    const platform::UrlFetchResult fetched = platform::fetchUrl(url, nullptr, platform::UrlFetchOptions());
    EXPECT_EQ(fetched.error, 0u);
    EXPECT_EQ(fetched.body, "first page");
    EXPECT_TRUE(urlLibraryLoaded());
}

} // namespace
