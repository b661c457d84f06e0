// The contract every page DLL keeps with its callers, checked in one call
// per DLL: registration rows, their removal and creation through COM
// (ExpectRegistration), Initialize with one and with two objects, the class
// icon (ExpectClassIcon), the pages each identity gets, and unloading once
// everything is released.
//
//   TEST(GroupPagesDll, KeepsThePageDllContract)
//   {
//       pagetest::ExpectPageDllContract(kDll, {"Group", "Corvane Orrel Group Properties",
//           "Staff.Sales.Corp", {"Identification", "Members"}, {"Identification"}});
//   }
#pragma once

#include "pages_testing.h"

namespace pagetest {

struct PageDllContract {
    const char* className;    // "Group"
    const char* description;  // "Corvane Orrel Group Properties"
    const char* object;       // an object of the class in the sample
    Texts pages;              // the captions the first identity gets, in order
    Texts restrictedPages;    // those the restricted identity gets (may be none)
};

// Makes its own copy of the sample (the caller holds none meanwhile).
void ExpectPageDllContract(const PageDll& dll, const PageDllContract& contract);

}  // namespace pagetest
