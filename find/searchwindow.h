// The search window "Search For Objects" (template 4000): server, search
// context, class and criteria; Search/Stop, the result list the search
// worker fills, and Save (see savefolder.h). It runs modally on a thread of
// its own; its settings live under "Software\Corvane\SearchExt".
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "engine/searchtables.h"
#include "orrel/com.h"
#include "orrel/core/orrelrefresh.h"
#include "orrel/handles.h"
#include "orrel/ui/dialog.h"
#include "orrel/ui/imagelist.h"

namespace orrel {
namespace find {

// One result row as the worker hands it to the window: the dotted name
// (column 0) and the text of every requested column (index 0 unused).
struct ResultRow {
    std::string name;
    std::vector<std::string> cells;
};

class SearchWindow : public ui::Dialog {
public:
    // Private messages of the window (posted or sent to it).
    enum : UINT {
        MsgNoServer = WM_APP,       // posted once shown with no server
        MsgAddRows = WM_APP + 1,    // sent by the worker: lp = const ResultBatch*
        MsgEndOfSearch = WM_APP + 2 // sent by the worker once, at its end
    };
    struct ResultBatch {
        int image = 0;
        std::vector<ResultRow>* rows = nullptr;  // taken by the window
    };

    explicit SearchWindow(IOrrelRefresh* host);
    ~SearchWindow() override;

    // Read by the worker, without a lock.
    bool StopRequested() const noexcept { return stop_ != 0; }
    // The image list index of a result icon id (5001, 5007 ... 5010).
    static int ImageIndexOf(int iconId) noexcept;

protected:
    bool OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnNotify(NMHDR* header) override;
    void OnOK() override;
    void OnCancel() override;
    void OnDestroy() override;
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    void TakeDialogData();
    void ServerChanged();
    void FindServer();
    void ClassChanged();
    void SaveCriteria(const std::string& className);
    void LoadCriteria(const std::string& className);
    void AddCriterion();
    void ModifyCriterion();
    void DeleteCriterion();
    void Browse();
    void SearchOrStop();
    void StartSearch();
    void EndOfSearch();
    void AddRows(const ResultBatch& batch);
    void ClearResults();
    void FillResultItem(LVITEMA& item) const;
    void SetControlsEnabled(bool enable);
    void SaveSettings();
    void SaveResults();

    volatile LONG stop_ = 0;
    std::string className_;
    std::string searchContext_;
    bool subcontainers_ = true;
    std::string serverText_;
    std::string statusText_;
    ui::ImageList images_;
    ULONGLONG startTime_ = 0;
    bool busy_ = false;
    std::string previousServer_;
    ComPtr<IOrrelRefresh> host_;
    KernelHandle worker_;
    // The result list holds no items of its own (it is a list of owner
    // data): its rows live here, so that a list of many thousands fills as
    // fast as they arrive.
    std::vector<ResultRow> rows_;
    int rowImage_ = 0;
    int progressStep_ = 1;
    bool noServerAsked_ = false;
};

}  // namespace find
}  // namespace orrel
