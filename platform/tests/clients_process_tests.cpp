// Several processes sharing one image: no change is lost when two write at
// once, and a writer killed while it writes leaves a whole, loadable image.
#include <string>
#include <vector>

#include "clients_support.h"

using namespace clients_test;

namespace {

class SharedImage : public ImageTest {
protected:
    HANDLE StartWriter(const std::string& object, const std::string& attr, const std::string& prefix, int count)
    {
        return StartClientsWriter(image_, object, attr, prefix, count);
    }
    static DWORD Finish(HANDLE process, DWORD timeoutMs = 120000) { return FinishProcess(process, timeoutMs); }
};

TEST_F(SharedImage, TwoProcessesWritingAtOnceLoseNoChange)
{
    const int n = 25;
    HANDLE first = StartWriter(".JDoe.Sales.Corp", "Telephone Number", "first-", n);
    HANDLE second = StartWriter(".JDoe.Sales.Corp", "Description", "second-", n);
    ASSERT_TRUE(first && second);
    // This process writes a third attribute at the same time.
    DirContext ctx("Sales.Corp");
    for (int i = 0; i < n; ++i) {
        std::string value = "third-" + std::to_string(i);
        ASSERT_EQ(HALVET_OK, Modify(ctx.get(), "JDoe", {AddText("Title", value.c_str())})) << i;
    }
    EXPECT_EQ(0u, Finish(first));
    EXPECT_EQ(0u, Finish(second));

    std::vector<std::string> phones = ReadTexts(ctx.get(), "JDoe", "Telephone Number");
    std::vector<std::string> descriptions = ReadTexts(ctx.get(), "JDoe", "Description");
    std::vector<std::string> titles = ReadTexts(ctx.get(), "JDoe", "Title");
    ASSERT_EQ(2u + n, phones.size());
    ASSERT_EQ(1u + n, descriptions.size());
    ASSERT_EQ(1u + n, titles.size());
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ("first-" + std::to_string(i), phones[2 + i]);
        EXPECT_EQ("second-" + std::to_string(i), descriptions[1 + i]);
        EXPECT_EQ("third-" + std::to_string(i), titles[1 + i]);
    }
}

TEST_F(SharedImage, WriterKilledWhileWritingLeavesALoadableImage)
{
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, "OrrelClientsWriterStarted");
    ASSERT_NE(nullptr, started);
    HANDLE writer = StartWriter(".JDoe.Sales.Corp", "Description", "loop-", -1);
    ASSERT_NE(nullptr, writer);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(started, 60000)) << "the writer never wrote";
    CloseHandle(started);
    Sleep(300);
    ASSERT_TRUE(TerminateProcess(writer, 7));
    WaitForSingleObject(writer, 10000);
    CloseHandle(writer);

    EXPECT_NE(0, DirClientAvailable()) << "the image is whole";
    DirContext ctx("Sales.Corp");
    std::vector<std::string> values = ReadTexts(ctx.get(), "JDoe", "Description");
    ASSERT_GE(values.size(), 2u);
    EXPECT_EQ("First", values[0]);
    for (size_t i = 1; i < values.size(); ++i) EXPECT_EQ("loop-" + std::to_string(i - 1), values[i]);
    // The lock of the dead writer does not block the next writer.
    EXPECT_EQ(HALVET_OK, Modify(ctx.get(), "JDoe", {AddText("Title", "after")}));
}

}  // namespace
