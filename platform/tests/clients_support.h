// Fixtures of the directory client tests: a directory image written into a
// scratch folder and selected through ORREL_DIRECTORY_IMAGE, and RAII
// holders of contexts, buffers and connections.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include <halvet/callclient.h>
#include <halvet/connclient.h>
#include <halvet/dirclient.h>
#include <halvet/localeclient.h>

namespace clients_test {

// The image every test starts from (see clients_support.cpp for its
// contents); bigCount users below Big.Corp.
std::string StandardImage(int bigCount = 0);

std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& text);
void RemoveTree(const std::string& path);
// Files of a folder (names only), sorted.
std::vector<std::string> FilesIn(const std::string& folder);

class DirContext {
public:
    explicit DirContext(const char* nameContext = "[Root]", const char* tree = "ORREL_TREE");
    ~DirContext();
    DirContext(const DirContext&) = delete;
    DirContext& operator=(const DirContext&) = delete;
    HALVET_CONTEXT get() const { return ctx_; }
    int32_t created() const { return rc_; }

private:
    HALVET_CONTEXT ctx_ = HALVET_NO_CONTEXT;
    int32_t rc_ = 0;
};

class DirBuffer {
public:
    explicit DirBuffer(uint32_t size = HALVET_DEFAULT_BUFFER_SIZE, uint32_t operation = 0);
    ~DirBuffer();
    DirBuffer(const DirBuffer&) = delete;
    DirBuffer& operator=(const DirBuffer&) = delete;
    HALVET_BUFFER* get() const { return buf_; }

private:
    HALVET_BUFFER* buf_ = nullptr;
};

class Conn {
public:
    Conn() = default;
    ~Conn() { Close(); }
    Conn(const Conn&) = delete;
    Conn& operator=(const Conn&) = delete;
    HALVET_CONN* put() { Close(); return &conn_; }
    HALVET_CONN get() const { return conn_; }
    void Close()
    {
        if (conn_ != HALVET_NO_CONN) CloseConn(conn_);
        conn_ = HALVET_NO_CONN;
    }

private:
    HALVET_CONN conn_ = HALVET_NO_CONN;
};

// One change of a modify request: type, attribute, syntax and the value
// record (or text) to pass, or none.
struct ChangeSpec {
    uint32_t type;
    const char* attr;
    uint32_t syntax = 0;
    const void* value = nullptr;
    bool hasValue = false;
};
ChangeSpec Remove(const char* attr);
ChangeSpec AddAttr(const char* attr);
ChangeSpec AddText(const char* attr, const char* text, uint32_t syntax = HALVET_SYNTAX_CI_STRING);
ChangeSpec RemoveText(const char* attr, const char* text, uint32_t syntax = HALVET_SYNTAX_CI_STRING);
ChangeSpec WithValue(uint32_t type, const char* attr, uint32_t syntax, const void* value);

// Builds and sends one modify request; the first failing call's code.
int32_t Modify(HALVET_CONTEXT ctx, const char* object, const std::vector<ChangeSpec>& changes);

// One value as GetAttrVal wrote it into a buffer of exactly
// ComputeAttrValSize bytes (guard bytes behind it were checked untouched).
struct RawValue {
    uint32_t syntax = 0;
    std::vector<uint8_t> bytes;
    const void* data() const { return bytes.data(); }
    const char* text() const { return reinterpret_cast<const char*>(bytes.data()); }
};
// Reads every value of one attribute through a read request; the code of
// the first failing call. replySize lets a test force iteration.
int32_t ReadValues(HALVET_CONTEXT ctx, const char* object, const char* attr, std::vector<RawValue>& values,
                   uint32_t replySize = HALVET_DEFAULT_BUFFER_SIZE, int* replies = nullptr);
// The values of a text attribute.
std::vector<std::string> ReadTexts(HALVET_CONTEXT ctx, const char* object, const char* attr);

// Lists a container whole, reply by reply.
struct Listed {
    std::vector<std::string> names;
    std::vector<HALVET_OBJECT_INFO> infos;
    int replies = 0;
    int32_t rc = HALVET_OK;
};

Listed ListAll(HALVET_CONTEXT ctx, const char* container, const char* cls = nullptr, uint32_t size = 4096);

// True when p (of a value record) points inside the value buffer.
bool Inside(const RawValue& value, const void* p);

// Starts clients_writer (beside the test program) adding <prefix>0.. to one
// attribute of an object of the image, count times (-1: until killed); with
// the count "stream", writing <prefix> as the object's stream attr and ending
// the moment its handle is closed.
HANDLE StartClientsWriter(const std::string& image, const std::string& object, const std::string& attr,
                          const std::string& prefix, const std::string& count);
inline HANDLE StartClientsWriter(const std::string& image, const std::string& object, const std::string& attr,
                                 const std::string& prefix, int count)
{
    return StartClientsWriter(image, object, attr, prefix, std::to_string(count));
}
// Waits for a process (killing it after the time) and gives its exit code.
DWORD FinishProcess(HANDLE process, DWORD timeoutMs = 120000);

// A scratch folder with an image selected for the process; removed afterwards.
class ImageTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Replaces the image file (as another program would). With ldap_, the
    // tree ORREL_TREE of the text is served by the local slapd instead: the
    // server is loaded afresh with it, and the image names the server.
    void WriteImage(const std::string& text);
    std::string folder_;
    std::string image_;
    bool ldap_ = false;
};

// Where a tree is served from: the image itself, or slapd on 127.0.0.1:389
// loaded from the image.
enum class Source { Image, Ldap };

// The sources the run covers: the image always; the server too when the run
// was started by ldap_reloading_server.sh, which reloads slapd on request.
std::vector<Source> SourcesToTest();
std::string SourceName(const ::testing::TestParamInfo<Source>& info);

// A test that runs once per source over the same image (StandardImage):
// each run starts from that content, also on the server.
class SourceTest : public ImageTest, public ::testing::WithParamInterface<Source> {
protected:
    void SetUp() override
    {
        ldap_ = GetParam() == Source::Ldap;
        ImageTest::SetUp();
    }
    bool Ldap() const { return ldap_; }
};

#define ORREL_ON_EVERY_SOURCE(Suite)                                                                      \
    INSTANTIATE_TEST_SUITE_P(From, Suite, ::testing::ValuesIn(clients_test::SourcesToTest()),             \
                             clients_test::SourceName)

}  // namespace clients_test
