// A stand-in for the administration module: its exports only record the
// calls. Built into its own folder, never beside the real module.

#include "fakekeeper.h"

#include <wardlock/adminexports.h>

namespace {
FakeKeeperRecord record;
// The editor handed out by ModifyStart (never dereferenced by the core).
char editorToken;
} // namespace

extern "C" {

__attribute__((visibility("default"))) FakeKeeperRecord* FakeKeeperRecordOf()
{
    return &record;
}

void ShowDlg(Security::TSecurity* security, void* window, Security::SecDlgDecoder, bool flag)
{
    ++record.showDlg;
    record.lastSecurity = security;
    record.lastWindow = window;
    record.lastFlag = flag;
}

void ShowSmpDlg(Security::TSecurity* security, void* window, int userID, int groupID,
    Security::SecDlgDecoder, bool flag)
{
    ++record.showSmpDlg;
    record.lastSecurity = security;
    record.lastWindow = window;
    record.lastUserID = userID;
    record.lastGroupID = groupID;
    record.lastFlag = flag;
}

void ShowChPasswdDlg(Security::TSecurity* security, void* window, int userID, int groupID)
{
    ++record.showChPasswdDlg;
    record.lastSecurity = security;
    record.lastWindow = window;
    record.lastUserID = userID;
    record.lastGroupID = groupID;
}

void ShowForceChPasswdDlg(Security::TSecurity* security, void* window, int userID, int groupID)
{
    ++record.showForceChPasswdDlg;
    record.lastSecurity = security;
    record.lastWindow = window;
    record.lastUserID = userID;
    record.lastGroupID = groupID;
}

Security::TSecParamEd* ModifyStart(Security::TSecurity* security, void* window)
{
    ++record.modifyStart;
    record.lastSecurity = security;
    record.lastWindow = window;
    return reinterpret_cast<Security::TSecParamEd*>(&editorToken);
}

void ModifyEnd(Security::TSecurity* security, void* window, Security::TSecParamEd* editor)
{
    ++record.modifyEnd;
    record.lastSecurity = security;
    record.lastWindow = window;
    record.lastEditor = editor;
}

} // extern "C"
