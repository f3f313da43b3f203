#pragma once
// The fake administration module's record of the calls the core made. A test
// keeps the module loaded itself (so the record survives the core's unload
// after each call) and reads it through the export FakeKeeperRecord.

namespace Security {
class TSecurity;
}

struct FakeKeeperRecord {
    int showDlg = 0;
    int showSmpDlg = 0;
    int showChPasswdDlg = 0;
    int showForceChPasswdDlg = 0;
    int modifyStart = 0;
    int modifyEnd = 0;
    Security::TSecurity* lastSecurity = nullptr;
    void* lastWindow = nullptr;
    int lastUserID = 0;
    int lastGroupID = 0;
    bool lastFlag = false;
    void* lastEditor = nullptr;
};

using FakeKeeperRecordFn = FakeKeeperRecord* (*)();
