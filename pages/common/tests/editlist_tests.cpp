// The list editor driven for real: a script clicks its buttons from inside
// its modal loop and answers its question box.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "editlist_res.h"
#include "orrel/pages/editlist.h"
#include "pages_test_support.h"
#include "testpages_res.h"

namespace {

using orrel::pages::EditListDialog;
using orrel::pages::ValueList;
using orrel::pages::ValueNode;
using pages_test::Click;
using pages_test::FindDialog;
using pages_test::ListBoxTexts;
using pages_test::ModalScript;
using Strings = std::vector<std::string>;

int g_beeps = 0;
BOOL WINAPI CountBeep(UINT)
{
    ++g_beeps;
    return TRUE;
}

Strings Texts(const ValueList& list)
{
    Strings texts;
    for (const ValueNode& node : list) texts.push_back(node.text);
    return texts;
}

ValueList ListOf(std::initializer_list<const char*> texts)
{
    ValueList list;
    for (const char* text : texts) list.Append(text);
    return list;
}

class EditList : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_beeps = 0;
        EditListDialog::SetBeepFunction(&CountBeep);
    }
    void TearDown() override { EditListDialog::SetBeepFunction(nullptr); }

    // Runs the editor with a script; each step gets the editor's window.
    bool Run(EditListDialog& editor, const char* title,
             std::vector<std::function<void(HWND)>> actions)
    {
        std::vector<std::function<bool()>> steps;
        steps.push_back([this, title] {
            editor_ = FindDialog(title);
            return editor_ != nullptr;
        });
        for (auto& action : actions)
            steps.push_back([this, action] {
                action(editor_);
                return true;
            });
        ModalScript script(std::move(steps));
        INT_PTR result = editor.Run(nullptr);
        EXPECT_EQ(IDOK, result);
        return script.Done();
    }

    HWND List() const { return GetDlgItem(editor_, IDC_EDITLIST_LIST); }
    void Select(int index) const { SendMessageA(List(), LB_SETCURSEL, static_cast<WPARAM>(index), 0); }
    int Selection() const { return static_cast<int>(SendMessageA(List(), LB_GETCURSEL, 0, 0)); }
    void Type(const char* text) const { SetDlgItemTextA(editor_, IDC_EDITLIST_VALUE, text); }

    // Clicks Remove and answers the question that should follow; returns
    // the question's text.
    std::string RemoveAnswering(int answer)
    {
        std::string question;
        int beepsAtQuestion = -1;
        HWND editor = editor_;
        ModalScript answerer({[&] {
            HWND box = FindDialog("Halvet Services", editor);
            if (!box) return false;
            question = pages_test::StaticTexts(box, "");
            beepsAtQuestion = g_beeps;
            PostMessageA(box, WM_COMMAND, answer, 0);
            return true;
        }});
        int before = g_beeps;
        Click(editor_, IDC_EDITLIST_REMOVE);
        EXPECT_EQ(before + 1, beepsAtQuestion) << "the beep sounds before the question";
        return question;
    }

    HWND editor_ = nullptr;
};

TEST_F(EditList, AddMoveAndRemoveEditThePagesListInPlace)
{
    ValueList list = ListOf({"Engineer", "Lead"});
    EditListDialog editor(IDS_TEST_EDIT_TITLE, list, true);
    Strings shown, afterAdd, afterUp, afterDown;
    int selAfterAdd = -1, selAfterUp = -1, selAfterDown = -1;
    std::string askedNo, askedYes;
    bool boxAfterEmptyRemove = true;
    int beepsAtEnd = 0;
    ASSERT_TRUE(Run(editor, "Edit: Title",
        {[&](HWND) { shown = ListBoxTexts(List()); },
         [&](HWND e) {
             Type("Chief");
             Click(e, IDC_EDITLIST_ADD);
             Type("");
             Click(e, IDC_EDITLIST_ADD);  // an empty value is taken as well
             afterAdd = ListBoxTexts(List());
             selAfterAdd = Selection();
         },
         [&](HWND e) {
             Select(2);
             Click(e, IDC_EDITLIST_UP);
             afterUp = ListBoxTexts(List());
             selAfterUp = Selection();
             Click(e, IDC_EDITLIST_DOWN);
             afterDown = ListBoxTexts(List());
             selAfterDown = Selection();
         },
         [&](HWND e) {
             Select(0);
             Click(e, IDC_EDITLIST_UP);  // nothing above: beep
             Select(3);
             Click(e, IDC_EDITLIST_DOWN);  // nothing below: beep
         },
         [&](HWND) {
             Select(3);
             askedNo = RemoveAnswering(IDNO);
         },
         [&](HWND) {
             Select(3);
             askedYes = RemoveAnswering(IDYES);
         },
         [&](HWND e) {
             Select(-1);
             Click(e, IDC_EDITLIST_REMOVE);  // no selection: the beep alone
             HWND box = FindDialog("Halvet Services", e);
             boxAfterEmptyRemove = box != nullptr;
             if (box) PostMessageA(box, WM_COMMAND, IDNO, 0);
             beepsAtEnd = g_beeps;
         },
         [&](HWND e) { Click(e, IDOK); }}));

    EXPECT_EQ(Strings({"Engineer", "Lead"}), shown);
    EXPECT_EQ(Strings({"Engineer", "Lead", "Chief", ""}), afterAdd);
    EXPECT_EQ(3, selAfterAdd) << "the new entry is selected";
    EXPECT_EQ(Strings({"Engineer", "Chief", "Lead", ""}), afterUp);
    EXPECT_EQ(1, selAfterUp) << "the moved entry stays selected";
    EXPECT_EQ(Strings({"Engineer", "Lead", "Chief", ""}), afterDown);
    EXPECT_EQ(2, selAfterDown);
    EXPECT_EQ("Do you wish to remove \"\"?", askedNo);
    EXPECT_EQ(askedNo, askedYes);
    EXPECT_FALSE(boxAfterEmptyRemove) << "nothing selected: no question";
    EXPECT_EQ(5, beepsAtEnd) << "two refused moves, three removes";
    EXPECT_TRUE(editor.Modified());
    EXPECT_EQ(Strings({"Engineer", "Lead", "Chief"}), Texts(list));
}

TEST_F(EditList, AHiddenFirstNodeIsNeitherShownNorMovedNorRemoved)
{
    ValueList list = ListOf({"Pat", "Patricia", "P"});
    EditListDialog editor(IDS_TEST_EDIT_NAMES, list, false);
    Strings shown, afterDown;
    std::string asked;
    int beepsAfterUp = 0;
    ASSERT_TRUE(Run(editor, "Edit: Other Names",
        {[&](HWND e) {
             shown = ListBoxTexts(List());
             Select(0);
             Click(e, IDC_EDITLIST_UP);  // the hidden node is not above it
             beepsAfterUp = g_beeps;
             Click(e, IDC_EDITLIST_DOWN);
             afterDown = ListBoxTexts(List());
         },
         [&](HWND) {
             Select(0);
             asked = RemoveAnswering(IDYES);
         },
         [&](HWND e) { Click(e, IDOK); }}));
    EXPECT_EQ(Strings({"Patricia", "P"}), shown);
    EXPECT_EQ(1, beepsAfterUp);
    EXPECT_EQ(Strings({"P", "Patricia"}), afterDown);
    EXPECT_EQ("Do you wish to remove \"P\"?", asked);
    EXPECT_EQ(Strings({"Pat", "Patricia"}), Texts(list));
    EXPECT_TRUE(editor.Modified());
}

TEST_F(EditList, ClosingWithoutChangesLeavesTheListUnmodifiedAndEscapeCloses)
{
    ValueList list = ListOf({"One"});
    EditListDialog editor(std::string("Edit: Given"), list, true);
    std::string asked;
    ASSERT_TRUE(Run(editor, "Edit: Given",
        {[&](HWND) {
             Select(0);
             asked = RemoveAnswering(IDNO);
         },
         [&](HWND e) { SendMessageA(e, WM_COMMAND, IDCANCEL, 0); }}));
    EXPECT_EQ("Do you wish to remove \"One\"?", asked);
    EXPECT_FALSE(editor.Modified()) << "a refused removal changes nothing";
    EXPECT_EQ(Strings({"One"}), Texts(list));
}

}  // namespace
