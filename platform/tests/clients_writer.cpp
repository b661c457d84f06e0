// A second process writing one directory image: adds the values
// <prefix>0 .. <prefix>N-1 to one attribute of one object, one modify
// request each (N < 0: until killed). Exit code 0 when every request
// succeeded, else the first failing code's negation. With "stream" for N:
// writes <prefix> as the stream <attribute> of <object> and ends the moment
// the handle is closed, as a process that is killed or exits does.
//   clients_writer <image> <object> <attribute> <prefix> <N>|stream
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <halvet/dirclient.h>

int main(int argc, char** argv)
{
    if (argc != 6) {
        fprintf(stderr, "usage: clients_writer <image> <object> <attribute> <prefix> <N>\n");
        return 100;
    }
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", argv[1]);
    long count = strtol(argv[5], nullptr, 10);
    HALVET_CONTEXT ctx = HALVET_NO_CONTEXT;
    int32_t rc = CreateDirContext(&ctx);
    if (rc != HALVET_OK) return -rc;
    uint32_t flags = HALVET_CTX_FLAGS_USUAL;
    SetDirContextValue(ctx, HALVET_CTX_KEY_FLAGS, &flags);
    if (strcmp(argv[5], "stream") == 0) {
        void* handle = nullptr;
        if ((rc = OpenStream(ctx, argv[2], argv[3], HALVET_STREAM_WRITE, &handle)) != HALVET_OK) return -rc;
        DWORD done = 0, size = static_cast<DWORD>(strlen(argv[4]));
        if (!WriteFile(handle, argv[4], size, &done, nullptr) || done != size || !SetEndOfFile(handle)) return 101;
        CloseHandle(handle);
        TerminateProcess(GetCurrentProcess(), 0);
    }
    HALVET_BUFFER* request = nullptr;
    if ((rc = AllocDirBuffer(HALVET_DEFAULT_BUFFER_SIZE, &request)) != HALVET_OK) return -rc;
    for (long i = 0; count < 0 || i < count; ++i) {
        std::string value = std::string(argv[4]) + std::to_string(i);
        if ((rc = InitDirBuffer(HALVET_OP_MODIFY, request)) != HALVET_OK ||
            (rc = PutChange(ctx, request, HALVET_CHANGE_ADD_VALUE, argv[3])) != HALVET_OK ||
            (rc = PutAttrVal(ctx, request, HALVET_SYNTAX_CI_STRING, value.c_str())) != HALVET_OK ||
            (rc = ModifyObject(ctx, argv[2], request)) != HALVET_OK) {
            fprintf(stderr, "clients_writer: %s failed with %ld\n", value.c_str(), static_cast<long>(rc));
            return -rc;
        }
        if (count < 0 && i == 0) {
            // Tell the parent the loop runs.
            HANDLE started = OpenEventA(EVENT_MODIFY_STATE, FALSE, "OrrelClientsWriterStarted");
            if (started) {
                SetEvent(started);
                CloseHandle(started);
            }
        }
    }
    FreeDirBuffer(request);
    FreeDirContext(ctx);
    return 0;
}
