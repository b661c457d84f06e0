// The search window's subsidiary dialogs: a criterion (4001), the known
// search servers (4003), the search context browser (4004) and the New
// Folder dialog of Save (4002).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>

#include "orrel/ui/dialog.h"
#include "orrel/ui/imagelist.h"

namespace orrel {
namespace find {

class CriteriaDialog : public ui::Dialog {
public:
    CriteriaDialog(std::uint32_t classMask, std::string field, std::string value);
    const std::string& Field() const noexcept { return field_; }
    const std::string& Value() const noexcept { return value_; }

protected:
    bool OnInit() override;
    void OnOK() override;

private:
    std::uint32_t classMask_;
    std::string field_;
    std::string value_;
};

class ServerListDialog : public ui::Dialog {
public:
    ServerListDialog();
    const std::string& Chosen() const noexcept { return chosen_; }

protected:
    bool OnInit() override;
    bool OnNotify(NMHDR* header) override;
    void OnOK() override;

private:
    std::string chosen_;
};

class ContextBrowseDialog : public ui::Dialog {
public:
    ContextBrowseDialog(std::string server, std::string context);
    const std::string& Context() const noexcept { return context_; }

protected:
    bool OnInit() override;
    bool OnNotify(NMHDR* header) override;
    void OnOK() override;

private:
    std::string DnOf(HTREEITEM item) const;
    void Expand(HTREEITEM item);
    void Preselect();

    std::string server_;
    std::string context_;
    ui::ImageList images_;
};

class NewFolderDialog : public ui::Dialog {
public:
    NewFolderDialog();
    const std::string& Path() const noexcept { return path_; }

protected:
    bool OnInit() override;
    void OnOK() override;

private:
    std::string path_;
};

}  // namespace find
}  // namespace orrel
