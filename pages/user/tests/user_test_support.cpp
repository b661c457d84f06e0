#include "user_test_support.h"

namespace usertest {

// {0FEC5132-2800-11D3-8685-00A0C9D59E71}
const CLSID kUserPagesClsid = {
    0x0FEC5132, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};

const PageDll& UserPagesDll()
{
    static const PageDll dll("OrrelUserPages.dll", kUserPagesClsid);
    return dll;
}

HMODULE UserPagesModule()
{
    return UserPagesDll().Module();
}

HRESULT GetUserPagesClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    return UserPagesDll().ClassObject(clsid, riid, ppv);
}

orrel::ComPtr<IShellExtInit> MakeHandler(const std::vector<std::string>& objects,
                                         HRESULT* initResult)
{
    return UserPagesDll().MakeHandler("User", objects, initResult);
}

}  // namespace usertest
