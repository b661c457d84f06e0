// Three small pages over a User-like object, built on the framework as a
// page DLL's pages are: Person (1000: "Given Name", "Surname"), Work (2000:
// "Title" list, "Description", "CN" list without its first value), Secret
// (3000: a read-only "Last Login Time", shown to those who may read it).
#pragma once

#include "orrel/pages/directorypage.h"
#include "orrel/pages/handler.h"

namespace testpages {

class PersonPage : public orrel::pages::DirectoryPage {
public:
    explicit PersonPage(orrel::pages::PropertyHandler& handler);
};

class WorkPage : public orrel::pages::DirectoryPage {
public:
    explicit WorkPage(orrel::pages::PropertyHandler& handler);
};

class SecretPage : public orrel::pages::DirectoryPage {
public:
    explicit SecretPage(orrel::pages::PropertyHandler& handler);

protected:
    void OnLoad() override;
};

extern const orrel::pages::PageFactory kPages[3];
// "Pages Test Class", {8E1C0F64-5B1A-4E57-9C1D-2B7A6F40D001}, "Orrel Test
// Pages", "OrrelTestPages.dlr", the three pages.
extern const orrel::pages::PageDllInfo kTestPagesInfo;
extern const CLSID CLSID_OrrelTestPages;

}  // namespace testpages
