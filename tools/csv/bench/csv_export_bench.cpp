// Export benchmark: the time the CSV export takes for 20 fields of every
// User directly below one container, beside the time of reading the same
// values through the pages' directory operations alone (ReadValueList per
// object and field), and of the export's own one-request read. Prints
// figures; run it through bench_csv.sh, which makes the image.
//
//   csv_export_bench.exe [tree] [container] [runs]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "exportdata.h"
#include "orrel/tools/directory.h"

namespace {

const char* const kFields[] = {
    "CN", "Surname", "Given Name", "Full Name", "Telephone Number", "L", "Title",
    "Description", "O", "OU", "SA", "S", "Postal Code", "Initials", "Internet EMail Address",
    "EMail Address", "Physical Delivery Office Name", "Login Grace Limit", "Last Login Time",
    "Login Disabled"};

double Now()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

template <class F>
double Best(int runs, F&& body)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        double start = Now();
        body();
        double took = Now() - start;
        if (took < best) best = took;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string tree = argc > 1 ? argv[1] : "LARGE_TREE";
    const std::string container = argc > 2 ? argv[2] : "Big";
    const int runs = argc > 3 ? std::atoi(argv[3]) : 3;

    std::vector<orrel::csv::ExportObject> objects;
    {
        orrel::pages::DirectorySession listing(tree, container);
        int32_t r = orrel::tools::ListByClass(listing, "", "User", [&](const char* label) {
            // The identity of the image is no generated User.
            if (lstrcmpiA(label, "Admin") != 0)
                objects.push_back({listing.ToDisplayName(label), tree, container});
            return true;
        });
        if (r != 0 || objects.empty()) {
            std::fprintf(stderr, "cannot list the Users of %s in %s (%ld)\n", container.c_str(),
                         tree.c_str(), static_cast<long>(r));
            return 1;
        }
    }
    std::vector<std::string> fields(std::begin(kFields), std::end(kFields));

    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string path = std::string(temp) + "csv_export_bench.csv";
    std::size_t bytes = 0;
    double exportMs = Best(runs, [&] {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        bytes = 0;
        orrel::csv::ExportObjects(objects, fields, [&](const std::string& text) {
            DWORD written = 0;
            WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
            bytes += written;
        });
        CloseHandle(file);
    });
    DeleteFileA(path.c_str());

    std::size_t values = 0;
    double readMs = Best(runs, [&] {
        values = 0;
        orrel::pages::DirectorySession session(tree, container);
        for (const auto& object : objects) {
            for (const std::string& field : fields) {
                orrel::pages::ValueList list;
                session.ReadValueList(object.objectName.c_str(), field.c_str(), list);
                values += list.Count();
            }
        }
    });

    double oneRequestMs = Best(runs, [&] {
        orrel::pages::DirectorySession session(tree, container);
        std::vector<orrel::csv::NamedValue> read;
        for (const auto& object : objects) {
            read.clear();
            orrel::csv::ReadValueLists(session, object.objectName.c_str(), fields, &read);
        }
    });

    std::printf("objects:                          %zu Users, %zu fields, %zu values\n",
                objects.size(), fields.size(), values);
    std::printf("export to CSV (%zu bytes):     %10.1f ms\n", bytes, exportMs);
    std::printf("ReadValueList per field alone:    %10.1f ms\n", readMs);
    std::printf("one read request per object alone:%10.1f ms\n", oneRequestMs);
    std::printf("export / ReadValueList per field: %10.2f (target at most 2)\n", exportMs / readMs);
    std::printf("export / one read request:        %10.2f\n", exportMs / oneRequestMs);
    return 0;
}
