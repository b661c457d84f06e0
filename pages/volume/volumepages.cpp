// OrrelVolumePages.dll: the property sheet handler of the directory class
// "Volume". Identification shows and edits the volume object's attributes;
// Statistics and Extended Information show live figures that the volume's
// host server gives, read once when the sheet is built.
#include <cstring>
#include <iterator>
#include <memory>

#include "halvet/callclient.h"
#include "halvet/connclient.h"
#include "orrel/pages/display.h"
#include "orrel/pages/fields.h"
#include "orrel/pages/pagedll.h"
#include "orrel/pages/piechart.h"
#include "orrel/ui/messagebox.h"
#include "resource.h"
#include "volumefigures.h"

namespace orrel {
namespace volumepages {
namespace {

using pages::DirectoryPage;
using pages::DirValue;
using pages::PropertyHandler;

// ---- The host server -----------------------------------------------------------

// The server and volume name that host the volume object: "Host Server"
// (syntax 1, as a display name) and "Host Resource Name" (syntax 3).
bool ReadHost(DirectoryPage& page, std::string* server, std::string* volume)
{
    DirValue value;
    std::string name;
    if (page.Session().ReadFirstValue(page.ObjectName(), "Host Server", &value) != 0 ||
        !pages::NameField::NameOf(value, &name) || name.empty())
        return false;
    *server = page.Session().ToDisplayName(name.c_str());
    DirValue resource;
    if (page.Session().ReadFirstValue(page.ObjectName(), "Host Resource Name", &resource) != 0 ||
        !resource.HasValue() || resource.Syntax() != HALVET_SYNTAX_CI_STRING)
        return false;
    *volume = resource.Text();
    return !volume->empty();
}

// An open connection to a server, closed when it goes.
class ServerConnection {
public:
    ServerConnection() noexcept = default;
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;
    ~ServerConnection()
    {
        if (open_) CloseConn(conn_);
    }
    bool Open(const std::string& server, uint32_t openState) noexcept
    {
        open_ = OpenConnByName(HALVET_NO_CONN, server.c_str(), HALVET_NAME_FORMAT_SERVER, openState,
                               HALVET_TRANSPORT_ANY, &conn_) == 0;
        return open_;
    }
    HALVET_CONN Get() const noexcept { return conn_; }

private:
    HALVET_CONN conn_ = HALVET_NO_CONN;
    bool open_ = false;
};

std::string ModuleText(unsigned id)
{
    return id ? ui::LoadModuleText(id) : std::string();
}

// ---- 1000 Identification -----------------------------------------------------------

class IdentificationPage final : public DirectoryPage {
public:
    explicit IdentificationPage(PropertyHandler& handler)
        : DirectoryPage(handler, IDD_VOLUME_IDENTIFICATION)
    {
        ShowIfReadable({"CN", "Network Address", "L", "O", "OU", "Host Resource Name",
                        "Host Server"});
        if (Suppressed()) return;
        // Apply order: "CN", "L", "OU", "O"; the host fields are shown only.
        AddListField(IDC_IDENT_OTHER_NAMES, IDC_IDENT_EDIT_OTHER_NAMES, "CN",
                     IDS_VOLUME_EDIT_OTHER_NAMES, false, HALVET_SYNTAX_CI_STRING);
        AddListField(IDC_IDENT_LOCATION, IDC_IDENT_EDIT_LOCATION, "L", IDS_VOLUME_EDIT_LOCATION,
                     true, HALVET_SYNTAX_CI_STRING);
        AddListField(IDC_IDENT_DEPARTMENT, IDC_IDENT_EDIT_DEPARTMENT, "OU",
                     IDS_VOLUME_EDIT_DEPARTMENT, true, HALVET_SYNTAX_CI_STRING);
        AddListField(IDC_IDENT_ORGANIZATION, IDC_IDENT_EDIT_ORGANIZATION, "O",
                     IDS_VOLUME_EDIT_ORGANIZATION, true, HALVET_SYNTAX_CI_STRING);
        AddField(std::make_unique<pages::NameField>(IDC_IDENT_HOST_SERVER, "Host Server"));
        AddTextField(IDC_IDENT_HOST_VOLUME, "Host Resource Name");
    }

protected:
    void OnRightsApplied() override { SetReadOnly(IDC_IDENT_HOST_VOLUME, true); }
};

// ---- 2000 Statistics -----------------------------------------------------------------

class StatisticsPage final : public DirectoryPage {
public:
    explicit StatisticsPage(PropertyHandler& handler) : DirectoryPage(handler, IDD_VOLUME_STATISTICS)
    {
        Suppress(!ReadUsage());
    }

protected:
    void OnInitPage() override
    {
        disk_.Attach(Item(IDC_STATS_DISK_PIE));
        entries_.Attach(Item(IDC_STATS_ENTRIES_PIE));
    }

    void OnLoad() override
    {
        SetItemText(IDC_STATS_VOLUME_NUMBER, std::to_string(volumeNumber_ & 0xFFFFu));
        UsageTexts t = DescribeUsage(usage_, pages::SystemNumberLocale());
        SetItemText(IDC_STATS_BLOCK_SIZE, t.blockSize);
        SetItemText(IDC_STATS_TOTAL_SPACE, t.total);
        SetItemText(IDC_STATS_USED_PERCENT, t.usedPercent);
        SetItemText(IDC_STATS_USED_SPACE, t.used);
        SetItemText(IDC_STATS_FREE_PERCENT, t.freePercent);
        SetItemText(IDC_STATS_FREE_SPACE, t.free);
        SetItemText(IDC_STATS_PURGEABLE_PERCENT, t.purgeablePercent);
        SetItemText(IDC_STATS_PURGEABLE_SPACE, t.purgeable);
        SetItemText(IDC_STATS_TOTAL_ENTRIES, t.totalEntries);
        SetItemText(IDC_STATS_USED_ENTRIES_PERCENT, t.usedEntriesPercent);
        SetItemText(IDC_STATS_USED_ENTRIES, t.usedEntries);
        SetItemText(IDC_STATS_AVAILABLE_PERCENT, t.availablePercent);
        SetItemText(IDC_STATS_AVAILABLE_ENTRIES, t.availableEntries);
        disk_.SetSlices(std::move(t.disk));
        entries_.SetSlices(std::move(t.entries));
    }

private:
    bool ReadUsage()
    {
        std::string server, volume;
        if (!ReadHost(*this, &server, &volume)) return false;
        ServerConnection conn;
        if (!conn.Open(server, HALVET_OPEN_CLAIMED)) return false;
        if (GetVolumeNumber(conn.Get(), volume.c_str(), &volumeNumber_) != 0) return false;
        std::memset(&usage_, 0, sizeof usage_);
        return GetVolumeUsage(conn.Get(), 0, volumeNumber_, &usage_) == 0;
    }

    uint32_t volumeNumber_ = 0;
    HALVET_VOLUME_USAGE usage_ = {};
    pages::PieChart disk_;
    pages::PieChart entries_;
};

// ---- 3000 Extended Information ---------------------------------------------------------

class ExtendedPage final : public DirectoryPage {
public:
    explicit ExtendedPage(PropertyHandler& handler) : DirectoryPage(handler, IDD_VOLUME_EXTENDED)
    {
        ReadExtended();
        Suppress(!haveInfo_ && !haveNameSpaces_);
    }

protected:
    void OnInitPage() override { pie_.Attach(Item(IDC_EXT_COMPRESSION_PIE)); }

    void OnLoad() override
    {
        ExtendedTexts t = DescribeExtended(info_, pages::SystemNumberLocale());
        for (unsigned id : t.features) AddString(IDC_EXT_FEATURES, ModuleText(id));
        SetItemText(IDC_EXT_BEFORE, t.before);
        SetItemText(IDC_EXT_AFTER_PERCENT, t.afterPercent);
        SetItemText(IDC_EXT_AFTER, t.after);
        SetItemText(IDC_EXT_SAVINGS_PERCENT, t.savingsPercent);
        SetItemText(IDC_EXT_SAVINGS, t.savings);
        for (int id = IDC_EXT_COMPRESSION_GROUP; id <= IDC_EXT_SAVINGS_UNIT; ++id)
            if (id != IDC_EXT_COMPRESSION_PIE) EnableItem(id, t.compression);
        pie_.SetSlices(std::move(t.pie));
        for (unsigned id : NameSpaceTexts(nameSpaces_, nameSpaceCount_, major_, minor_))
            AddString(IDC_EXT_NAME_SPACES, ModuleText(id));
    }

private:
    void AddString(int listId, const std::string& text)
    {
        SendItemMessage(listId, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }

    void ReadExtended()
    {
        std::string server, volume;
        if (!ReadHost(*this, &server, &volume)) return;
        ServerConnection conn;
        if (!conn.Open(server, HALVET_OPEN_UNCLAIMED)) return;
        int32_t claim = ClaimConnectionSlot(conn.Get());
        if (claim != 0 && claim != HALVET_CONN_ALREADY_CLAIMED) return;
        uint32_t number = 0;
        if (GetVolumeNumber(conn.Get(), volume.c_str(), &number) == 0) {
            std::memset(&info_, 0, sizeof info_);
            haveInfo_ = GetExtendedVolumeInfo(conn.Get(), number, &info_) == 0;
            if (!haveInfo_) std::memset(&info_, 0, sizeof info_);
            uint8_t count = 0;
            haveNameSpaces_ =
                GetLoadedNameSpaces(conn.Get(), number, kMaxNameSpaces, &count, nameSpaces_) == 0;
            nameSpaceCount_ = haveNameSpaces_ ? (count < kMaxNameSpaces ? count : kMaxNameSpaces) : 0;
            HALVET_SERVER_INFO serverInfo;
            std::memset(&serverInfo, 0, sizeof serverInfo);
            if (GetServerInfo(conn.Get(), &serverInfo) == 0) {
                major_ = serverInfo.osMajor;
                minor_ = serverInfo.osMinor;
            }
        }
        if (claim == 0) ReleaseConnectionSlot(conn.Get());
    }

    static constexpr uint8_t kMaxNameSpaces = 5;
    HALVET_EXTENDED_VOLUME_INFO info_ = {};
    bool haveInfo_ = false;
    bool haveNameSpaces_ = false;
    uint8_t nameSpaces_[kMaxNameSpaces] = {};
    std::size_t nameSpaceCount_ = 0;
    unsigned major_ = 0;
    unsigned minor_ = 0;
    pages::PieChart pie_;
};

// {0FEC5133-2800-11D3-8685-00A0C9D59E71}
const CLSID CLSID_OrrelVolumePages = {
    0x0FEC5133, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};

const pages::PageFactory kPages[] = {
    &pages::MakePage<IdentificationPage>,
    &pages::MakePage<StatisticsPage>,
    &pages::MakePage<ExtendedPage>,
};

}  // namespace

const pages::PageDllInfo kVolumePages = {
    "Volume", &CLSID_OrrelVolumePages, "Corvane Orrel Volume Properties", "OrrelVolumePages.dlr",
    kPages, std::size(kPages)};

}  // namespace volumepages
}  // namespace orrel

ORREL_PAGE_DLL(::orrel::volumepages::kVolumePages)
