/*
 * OrrelTestMapi: an Extended MAPI provider for tests and the demo.
 *
 * Wine's builtin MAPI32 forwards MAPIInitialize, MAPILogonEx, HrQueryAllRows,
 * MAPIFreeBuffer and MAPIUninitialize to the library that
 * HKLM\Software\Clients\Mail\<default client> names in "DLLPathEx". This one
 * offers one profile with one default message store whose outbox accepts new
 * messages, and writes what a caller does into a record file, one line per
 * call, so that a test can read back the recipients, the message class and
 * the form call. It never shows a window.
 *
 * The record file is the client key's "RecordFile" value, else
 * %TEMP%\orrel-mapi-record.txt. A client key value "Fail" naming a step
 * ("Logon", "Stores", "OpenStore", "Outbox", "CreateMessage",
 * "ModifyRecipients", "ShowForm") makes that step fail with MAPI_E_CALL_FAILED;
 * a DWORD "ShowFormDelay" keeps the form call busy for that many milliseconds
 * (as a mail program's form takes its time to come up).
 *
 * Written in C: the interfaces are filled slot by slot from the headers' C
 * vtables, every slot a caller has no business with answering
 * MAPI_E_NO_SUPPORT.
 */
#include <windows.h>
#include <mapix.h>
#include <mapiutil.h>
#include <mapitags.h>
#include <mapicode.h>

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

static CRITICAL_SECTION g_lock;
static char g_recordPath[MAX_PATH];
static char g_fail[64];
static DWORD g_showFormDelay;
static LONG g_initialized;

/* ------------------------------------------------------------ the record */

static void ReadSettings(void)
{
    HKEY mail, client;
    char name[128];
    DWORD size = sizeof(name), type = 0;
    g_recordPath[0] = 0;
    g_fail[0] = 0;
    g_showFormDelay = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail", 0, KEY_READ, &mail) == ERROR_SUCCESS) {
        if (RegQueryValueExA(mail, NULL, NULL, &type, (BYTE*)name, &size) == ERROR_SUCCESS &&
            type == REG_SZ && size > 0 && size <= sizeof(name)) {
            name[size - 1] = 0;
            if (RegOpenKeyExA(mail, name, 0, KEY_READ, &client) == ERROR_SUCCESS) {
                size = sizeof(g_recordPath) - 1;
                if (RegQueryValueExA(client, "RecordFile", NULL, &type, (BYTE*)g_recordPath, &size) !=
                        ERROR_SUCCESS || type != REG_SZ)
                    g_recordPath[0] = 0;
                else
                    g_recordPath[size < sizeof(g_recordPath) ? size : sizeof(g_recordPath) - 1] = 0;
                size = sizeof(g_fail) - 1;
                if (RegQueryValueExA(client, "Fail", NULL, &type, (BYTE*)g_fail, &size) != ERROR_SUCCESS ||
                    type != REG_SZ)
                    g_fail[0] = 0;
                else
                    g_fail[size < sizeof(g_fail) ? size : sizeof(g_fail) - 1] = 0;
                size = sizeof(g_showFormDelay);
                if (RegQueryValueExA(client, "ShowFormDelay", NULL, &type, (BYTE*)&g_showFormDelay, &size) !=
                        ERROR_SUCCESS || type != REG_DWORD || g_showFormDelay > 60000)
                    g_showFormDelay = 0;
                RegCloseKey(client);
            }
        }
        RegCloseKey(mail);
    }
    if (!g_recordPath[0]) {
        DWORD n = GetTempPathA(MAX_PATH - 32, g_recordPath);
        if (n == 0 || n >= MAX_PATH - 32) g_recordPath[0] = 0;
        lstrcatA(g_recordPath, "orrel-mapi-record.txt");
    }
}

/* Appends one line to the record. */
static void Record(const char* format, ...)
{
    char line[2048];
    va_list args;
    HANDLE file;
    DWORD done = 0;
    int n;
    va_start(args, format);
    n = _vsnprintf(line, sizeof(line) - 3, format, args);
    va_end(args);
    if (n < 0 || n > (int)sizeof(line) - 3) n = (int)sizeof(line) - 3;
    line[n++] = '\r';
    line[n++] = '\n';
    EnterCriticalSection(&g_lock);
    file = CreateFileA(g_recordPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        WriteFile(file, line, (DWORD)n, &done, NULL);
        CloseHandle(file);
    }
    LeaveCriticalSection(&g_lock);
}

static BOOL Fails(const char* step)
{
    if (lstrcmpiA(g_fail, step) != 0) return FALSE;
    Record("%s failed", step);
    return TRUE;
}

/* ------------------------------------------------------------ allocation */

/* Each block is preceded by the head of the chain of blocks linked to it. */
typedef struct Block {
    struct Block* next;
    ULONGLONG pad; /* keeps the payload 16-byte aligned */
} Block;

SCODE WINAPI MAPIAllocateBuffer(ULONG size, LPVOID* out)
{
    Block* block;
    if (!out) return E_INVALIDARG;
    *out = NULL;
    block = (Block*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Block) + size);
    if (!block) return MAPI_E_NOT_ENOUGH_MEMORY;
    *out = block + 1;
    return S_OK;
}

SCODE WINAPI MAPIAllocateMore(ULONG size, LPVOID original, LPVOID* out)
{
    Block* head;
    Block* more;
    if (!out || !original) return E_INVALIDARG;
    *out = NULL;
    head = (Block*)original - 1;
    more = (Block*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Block) + size);
    if (!more) return MAPI_E_NOT_ENOUGH_MEMORY;
    more->next = head->next;
    head->next = more;
    *out = more + 1;
    return S_OK;
}

ULONG WINAPI MAPIFreeBuffer(LPVOID buffer)
{
    Block* block;
    if (!buffer) return S_OK;
    block = (Block*)buffer - 1;
    while (block) {
        Block* next = block->next;
        HeapFree(GetProcessHeap(), 0, block);
        block = next;
    }
    return S_OK;
}

/* ------------------------------------------------------------ objects */

/* Every object of the provider: a vtable, a count and its kind. */
typedef struct Object {
    const void* vtbl;
    LONG refs;
    int kind;
} Object;

enum { KIND_SESSION = 1, KIND_TABLE, KIND_STORE, KIND_FOLDER, KIND_MESSAGE };

static HRESULT STDMETHODCALLTYPE NoSupport(void)
{
    return MAPI_E_NO_SUPPORT;
}

static LONG g_objects;

static Object* NewObject(const void* vtbl, int kind)
{
    Object* o = (Object*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Object));
    if (!o) return NULL;
    o->vtbl = vtbl;
    o->refs = 1;
    o->kind = kind;
    InterlockedIncrement(&g_objects);
    return o;
}

static HRESULT STDMETHODCALLTYPE Object_QueryInterface(void* self, REFIID riid, void** out)
{
    if (!out) return E_INVALIDARG;
    *out = NULL;
    (void)riid;
    /* Every object answers for its own interface and IUnknown alike. */
    InterlockedIncrement(&((Object*)self)->refs);
    *out = self;
    return S_OK;
}

static ULONG STDMETHODCALLTYPE Object_AddRef(void* self)
{
    return (ULONG)InterlockedIncrement(&((Object*)self)->refs);
}

static const char* KindName(int kind)
{
    switch (kind) {
    case KIND_SESSION: return "session";
    case KIND_TABLE: return "table";
    case KIND_STORE: return "store";
    case KIND_FOLDER: return "folder";
    case KIND_MESSAGE: return "message";
    }
    return "object";
}

static ULONG STDMETHODCALLTYPE Object_Release(void* self)
{
    Object* o = (Object*)self;
    LONG left = InterlockedDecrement(&o->refs);
    if (left == 0) {
        Record("Release %s", KindName(o->kind));
        InterlockedDecrement(&g_objects);
        HeapFree(GetProcessHeap(), 0, o);
    }
    return (ULONG)left;
}

/* Fills a vtable: every slot NoSupport, then the three IUnknown methods. */
static void FillVtable(void* vtbl, size_t size)
{
    void** slots = (void**)vtbl;
    size_t i;
    for (i = 0; i < size / sizeof(void*); ++i) slots[i] = (void*)NoSupport;
    slots[0] = (void*)Object_QueryInterface;
    slots[1] = (void*)Object_AddRef;
    slots[2] = (void*)Object_Release;
}

static struct IMAPISessionVtbl g_sessionVtbl;
static struct IMAPITableVtbl g_tableVtbl;
static struct IMsgStoreVtbl g_storeVtbl;
static struct IMAPIFolderVtbl g_folderVtbl;
static struct IMessageVtbl g_messageVtbl;

static const BYTE g_storeId[] = {'O', 'R', 'R', 'E', 'L', 'S', 'T', 'O', 'R', 'E'};
static const BYTE g_outboxId[] = {'O', 'R', 'R', 'E', 'L', 'O', 'U', 'T', 'B', 'O', 'X'};

/* Text of a string property for the record (ANSI or wide). */
static void PropText(const SPropValue* p, char* out, size_t size)
{
    out[0] = 0;
    if (PROP_TYPE(p->ulPropTag) == PT_STRING8 && p->Value.lpszA)
        lstrcpynA(out, p->Value.lpszA, (int)size);
    else if (PROP_TYPE(p->ulPropTag) == PT_UNICODE && p->Value.lpszW)
        WideCharToMultiByte(CP_ACP, 0, p->Value.lpszW, -1, out, (int)size, NULL, NULL);
    else if (PROP_TYPE(p->ulPropTag) == PT_LONG)
        _snprintf(out, size - 1, "%ld", (long)p->Value.l);
    out[size - 1] = 0;
}

/* -- session */

static HRESULT STDMETHODCALLTYPE Session_GetMsgStoresTable(IMAPISession* self, ULONG flags, LPMAPITABLE* table)
{
    (void)self;
    if (!table) return E_INVALIDARG;
    *table = NULL;
    Record("GetMsgStoresTable flags=0x%lx", flags);
    if (Fails("Stores")) return MAPI_E_CALL_FAILED;
    *table = (LPMAPITABLE)NewObject(&g_tableVtbl, KIND_TABLE);
    return *table ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

static HRESULT STDMETHODCALLTYPE Session_OpenMsgStore(IMAPISession* self, ULONG_PTR ui, ULONG cb, LPENTRYID id,
                                                      LPCIID iid, ULONG flags, LPMDB* store)
{
    (void)self;
    (void)iid;
    if (!store) return E_INVALIDARG;
    *store = NULL;
    Record("OpenMsgStore ui=0x%llx flags=0x%lx entry=%s", (unsigned long long)ui, flags,
           cb == sizeof(g_storeId) && id && memcmp(id, g_storeId, cb) == 0 ? "default" : "other");
    if (Fails("OpenStore")) return MAPI_E_CALL_FAILED;
    if (cb != sizeof(g_storeId) || !id || memcmp(id, g_storeId, cb) != 0) return MAPI_E_NOT_FOUND;
    *store = (LPMDB)NewObject(&g_storeVtbl, KIND_STORE);
    return *store ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

static HRESULT OpenOutbox(const char* who, ULONG cb, LPENTRYID id, ULONG flags, ULONG* type, LPUNKNOWN* out)
{
    if (!out) return E_INVALIDARG;
    *out = NULL;
    Record("OpenEntry by=%s flags=0x%lx entry=%s", who, flags,
           cb == sizeof(g_outboxId) && id && memcmp(id, g_outboxId, cb) == 0 ? "outbox" : "other");
    if (Fails("Outbox")) return MAPI_E_CALL_FAILED;
    if (cb != sizeof(g_outboxId) || !id || memcmp(id, g_outboxId, cb) != 0) return MAPI_E_NOT_FOUND;
    if (type) *type = MAPI_FOLDER;
    *out = (LPUNKNOWN)NewObject(&g_folderVtbl, KIND_FOLDER);
    return *out ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

static HRESULT STDMETHODCALLTYPE Session_OpenEntry(IMAPISession* self, ULONG cb, LPENTRYID id, LPCIID iid,
                                                   ULONG flags, ULONG* type, LPUNKNOWN* out)
{
    (void)self;
    (void)iid;
    return OpenOutbox("session", cb, id, flags, type, out);
}

static HRESULT STDMETHODCALLTYPE Session_PrepareForm(IMAPISession* self, LPCIID iid, LPMESSAGE message, ULONG* token)
{
    (void)self;
    (void)iid;
    if (!message || !token) return E_INVALIDARG;
    Record("PrepareForm");
    *token = 0x4F52;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE Session_ShowForm(IMAPISession* self, ULONG_PTR ui, LPMDB store,
                                                  LPMAPIFOLDER folder, LPCIID iid, ULONG token, LPMESSAGE sent,
                                                  ULONG flags, ULONG status, ULONG messageFlags, ULONG access,
                                                  LPSTR messageClass)
{
    (void)self;
    (void)iid;
    (void)sent;
    if (Fails("ShowForm")) return MAPI_E_CALL_FAILED;
    if (g_showFormDelay) Sleep(g_showFormDelay);
    Record("ShowForm ui=0x%llx store=%s folder=%s token=%s flags=0x%lx status=0x%lx msgflags=0x%lx "
           "access=0x%lx class=%s",
           (unsigned long long)ui, store ? "yes" : "no", folder ? "yes" : "no", token == 0x4F52 ? "ok" : "bad",
           flags, status, messageFlags, access, messageClass ? messageClass : "(null)");
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE Session_Logoff(IMAPISession* self, ULONG_PTR ui, ULONG flags, ULONG reserved)
{
    (void)self;
    (void)reserved;
    Record("Logoff ui=0x%llx flags=0x%lx", (unsigned long long)ui, flags);
    return S_OK;
}

/* -- store */

static HRESULT STDMETHODCALLTYPE Store_GetProps(IMsgStore* self, LPSPropTagArray tags, ULONG flags, ULONG* count,
                                                LPSPropValue* values)
{
    ULONG i;
    BOOL missing = FALSE;
    LPSPropValue out = NULL;
    (void)self;
    (void)flags;
    if (!tags || !count || !values) return E_INVALIDARG;
    *values = NULL;
    *count = 0;
    if (MAPIAllocateBuffer(sizeof(SPropValue) * (tags->cValues ? tags->cValues : 1), (LPVOID*)&out) != S_OK)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    for (i = 0; i < tags->cValues; ++i) {
        ULONG tag = tags->aulPropTag[i];
        Record("GetProps tag=0x%08lx", tag);
        if (tag == PR_IPM_OUTBOX_ENTRYID && !Fails("Outbox")) {
            void* bytes = NULL;
            out[i].ulPropTag = tag;
            if (MAPIAllocateMore(sizeof(g_outboxId), out, &bytes) != S_OK) {
                MAPIFreeBuffer(out);
                return MAPI_E_NOT_ENOUGH_MEMORY;
            }
            memcpy(bytes, g_outboxId, sizeof(g_outboxId));
            out[i].Value.bin.cb = sizeof(g_outboxId);
            out[i].Value.bin.lpb = (LPBYTE)bytes;
        } else {
            out[i].ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(tag));
            out[i].Value.err = MAPI_E_NOT_FOUND;
            missing = TRUE;
        }
    }
    *count = tags->cValues;
    *values = out;
    return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
}

static HRESULT STDMETHODCALLTYPE Store_OpenEntry(IMsgStore* self, ULONG cb, LPENTRYID id, LPCIID iid, ULONG flags,
                                                 ULONG* type, LPUNKNOWN* out)
{
    (void)self;
    (void)iid;
    return OpenOutbox("store", cb, id, flags, type, out);
}

/* -- folder */

static HRESULT STDMETHODCALLTYPE Folder_CreateMessage(IMAPIFolder* self, LPCIID iid, ULONG flags, LPMESSAGE* message)
{
    (void)self;
    (void)iid;
    if (!message) return E_INVALIDARG;
    *message = NULL;
    Record("CreateMessage flags=0x%lx", flags);
    if (Fails("CreateMessage")) return MAPI_E_CALL_FAILED;
    *message = (LPMESSAGE)NewObject(&g_messageVtbl, KIND_MESSAGE);
    return *message ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

/* -- message */

static HRESULT STDMETHODCALLTYPE Message_ModifyRecipients(IMessage* self, ULONG flags, LPADRLIST list)
{
    ULONG i, j;
    (void)self;
    Record("ModifyRecipients flags=0x%lx count=%lu", flags, list ? (unsigned long)list->cEntries : 0ul);
    if (Fails("ModifyRecipients")) return MAPI_E_CALL_FAILED;
    if (!list) return E_INVALIDARG;
    for (i = 0; i < list->cEntries; ++i) {
        char name[512] = "", address[512] = "", type[128] = "", kind[32] = "";
        BOOL hasType = FALSE;
        const ADRENTRY* e = &list->aEntries[i];
        for (j = 0; e->rgPropVals && j < e->cValues; ++j) {
            const SPropValue* p = &e->rgPropVals[j];
            switch (PROP_ID(p->ulPropTag)) {
            case PROP_ID(PR_DISPLAY_NAME): PropText(p, name, sizeof(name)); break;
            case PROP_ID(PR_EMAIL_ADDRESS): PropText(p, address, sizeof(address)); break;
            case PROP_ID(PR_ADDRTYPE): PropText(p, type, sizeof(type)); hasType = TRUE; break;
            case PROP_ID(PR_RECIPIENT_TYPE): PropText(p, kind, sizeof(kind)); break;
            default: break;
            }
        }
        Record("Recipient name=[%s] address=[%s] addrtype=%s%s%s recipienttype=%s", name, address,
               hasType ? "[" : "", hasType ? type : "none", hasType ? "]" : "", kind[0] ? kind : "none");
    }
    return S_OK;
}

/* -- table */

static HRESULT STDMETHODCALLTYPE Table_GetRowCount(IMAPITable* self, ULONG flags, ULONG* count)
{
    (void)self;
    (void)flags;
    if (!count) return E_INVALIDARG;
    *count = 1;
    return S_OK;
}

/* ------------------------------------------------------------ the exports */

SCODE WINAPI HrQueryAllRows(LPMAPITABLE table, LPSPropTagArray columns, LPSRestriction restriction,
                            LPSSortOrderSet sort, LONG maxRows, LPSRowSet* rows)
{
    LPSRowSet set = NULL;
    LPSPropValue values = NULL;
    ULONG i, n;
    BOOL match = TRUE;
    char names[256] = "";
    (void)sort;
    (void)maxRows;
    if (!rows) return E_INVALIDARG;
    *rows = NULL;
    if (!table || ((Object*)table)->vtbl != &g_tableVtbl) return MAPI_E_INVALID_PARAMETER;
    n = columns ? columns->cValues : 0;
    for (i = 0; i < n; ++i) {
        const char* name = columns->aulPropTag[i] == PR_DEFAULT_STORE ? "PR_DEFAULT_STORE"
                           : columns->aulPropTag[i] == PR_ENTRYID     ? "PR_ENTRYID"
                                                                      : "other";
        if (lstrlenA(names) + lstrlenA(name) + 2 < (int)sizeof(names)) {
            if (i) lstrcatA(names, ",");
            lstrcatA(names, name);
        }
    }
    if (restriction) {
        /* The one store is the default store: only a restriction that asks
         * for it (equal, PR_DEFAULT_STORE true) keeps the row. */
        const SPropertyRestriction* r = &restriction->res.resProperty;
        match = restriction->rt == RES_PROPERTY && r->relop == RELOP_EQ && r->ulPropTag == PR_DEFAULT_STORE &&
                r->lpProp && r->lpProp->ulPropTag == PR_DEFAULT_STORE && r->lpProp->Value.b;
    }
    Record("HrQueryAllRows columns=%s restriction=%s", names,
           !restriction ? "none" : match ? "default-store" : "other");
    if (MAPIAllocateBuffer(sizeof(SRowSet) + sizeof(SRow), (LPVOID*)&set) != S_OK) return MAPI_E_NOT_ENOUGH_MEMORY;
    set->cRows = 0;
    if (match && n) {
        /* Rows of a row set are freed one by one (FreeProws). */
        if (MAPIAllocateBuffer(sizeof(SPropValue) * n, (LPVOID*)&values) != S_OK) {
            MAPIFreeBuffer(set);
            return MAPI_E_NOT_ENOUGH_MEMORY;
        }
        for (i = 0; i < n; ++i) {
            ULONG tag = columns->aulPropTag[i];
            values[i].ulPropTag = tag;
            if (tag == PR_DEFAULT_STORE) {
                values[i].Value.b = TRUE;
            } else if (tag == PR_ENTRYID) {
                void* bytes = NULL;
                if (MAPIAllocateMore(sizeof(g_storeId), values, &bytes) != S_OK) {
                    MAPIFreeBuffer(values);
                    MAPIFreeBuffer(set);
                    return MAPI_E_NOT_ENOUGH_MEMORY;
                }
                memcpy(bytes, g_storeId, sizeof(g_storeId));
                values[i].Value.bin.cb = sizeof(g_storeId);
                values[i].Value.bin.lpb = (LPBYTE)bytes;
            } else {
                values[i].ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(tag));
                values[i].Value.err = MAPI_E_NOT_FOUND;
            }
        }
        set->cRows = 1;
        set->aRow[0].cValues = n;
        set->aRow[0].lpProps = values;
    }
    *rows = set;
    return S_OK;
}

HRESULT WINAPI MAPIInitialize(LPVOID init)
{
    const MAPIINIT_0* params = (const MAPIINIT_0*)init;
    ReadSettings();
    InterlockedIncrement(&g_initialized);
    Record("MAPIInitialize version=%lu flags=0x%lx", params ? (unsigned long)params->ulVersion : 0ul,
           params ? (unsigned long)params->ulFlags : 0ul);
    return S_OK;
}

HRESULT WINAPI MAPILogonEx(ULONG_PTR ui, LPSTR profile, LPSTR password, ULONG flags, LPMAPISESSION* session)
{
    if (!session) return E_INVALIDARG;
    *session = NULL;
    Record("MAPILogonEx ui=0x%llx profile=%s password=%s flags=0x%lx", (unsigned long long)ui,
           profile ? profile : "(null)", password ? password : "(null)", flags);
    if (InterlockedCompareExchange(&g_initialized, 0, 0) == 0) return MAPI_E_NOT_INITIALIZED;
    if (Fails("Logon")) return MAPI_E_LOGON_FAILED;
    *session = (LPMAPISESSION)NewObject(&g_sessionVtbl, KIND_SESSION);
    return *session ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

void WINAPI MAPIUninitialize(void)
{
    Record("MAPIUninitialize objects=%ld", (long)InterlockedCompareExchange(&g_objects, 0, 0));
    if (InterlockedCompareExchange(&g_initialized, 0, 0) > 0) InterlockedDecrement(&g_initialized);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        InitializeCriticalSection(&g_lock);
        ReadSettings();

        FillVtable(&g_sessionVtbl, sizeof(g_sessionVtbl));
        g_sessionVtbl.GetMsgStoresTable = Session_GetMsgStoresTable;
        g_sessionVtbl.OpenMsgStore = Session_OpenMsgStore;
        g_sessionVtbl.OpenEntry = Session_OpenEntry;
        g_sessionVtbl.PrepareForm = Session_PrepareForm;
        g_sessionVtbl.ShowForm = Session_ShowForm;
        g_sessionVtbl.Logoff = Session_Logoff;

        FillVtable(&g_tableVtbl, sizeof(g_tableVtbl));
        g_tableVtbl.GetRowCount = Table_GetRowCount;

        FillVtable(&g_storeVtbl, sizeof(g_storeVtbl));
        g_storeVtbl.GetProps = Store_GetProps;
        g_storeVtbl.OpenEntry = Store_OpenEntry;

        FillVtable(&g_folderVtbl, sizeof(g_folderVtbl));
        g_folderVtbl.CreateMessage = Folder_CreateMessage;

        FillVtable(&g_messageVtbl, sizeof(g_messageVtbl));
        g_messageVtbl.ModifyRecipients = Message_ModifyRecipients;
    } else if (reason == DLL_PROCESS_DETACH) {
        DeleteCriticalSection(&g_lock);
    }
    return TRUE;
}
