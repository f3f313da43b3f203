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

namespace {
void Note(
    int& counter, Security::TSecurity* security, void* window, int userID = 0, int groupID = 0)
{
    ++counter;
    record.lastSecurity = security;
    record.lastWindow = window;
    record.lastUserID = userID;
    record.lastGroupID = groupID;
}
} // namespace

void ShowDlg(Security::TSecurity* security, void* window, Security::SecDlgDecoder, bool flag)
{
    Note(record.showDlg, security, window);
    record.lastFlag = flag;
}

void ShowSmpDlg(Security::TSecurity* security, void* window, int userID, int groupID,
    Security::SecDlgDecoder, bool flag)
{
    Note(record.showSmpDlg, security, window, userID, groupID);
    record.lastFlag = flag;
}

void ShowChPasswdDlg(Security::TSecurity* security, void* window, int userID, int groupID)
{
    Note(record.showChPasswdDlg, security, window, userID, groupID);
}

void ShowForceChPasswdDlg(Security::TSecurity* security, void* window, int userID, int groupID)
{
    Note(record.showForceChPasswdDlg, security, window, userID, groupID);
}

Security::TSecParamEd* ModifyStart(Security::TSecurity* security, void* window)
{
    Note(record.modifyStart, security, window);
    return reinterpret_cast<Security::TSecParamEd*>(&editorToken);
}

void ModifyEnd(Security::TSecurity* security, void* window, Security::TSecParamEd* editor)
{
    Note(record.modifyEnd, security, window);
    record.lastEditor = editor;
}

} // extern "C"
