// valuepad as a library: every entry point is a plain C export, and its key
// is the same whatever it is given and holds no zero byte, so the type row's
// key column keeps it whole.

#include <wardlock/keeper/parameditor.h>
#include <wardlock/platform/library.h>

#include <gtest/gtest.h>

namespace {

class ValuepadExportsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(library_, nullptr); }
    void TearDown() override { vcl::FreeLibrary(library_); }
    void* Proc(const char* name) { return vcl::GetProcAddress(library_, name); }

    void* library_ = vcl::LoadLibrary("valuepad.dll");
};

TEST_F(ValuepadExportsTest, EveryEntryPointIsExportedByItsPlainName)
{
    for (const char* name : { "ShowUserEditor", "ShowUserEditorIns", "ShowUserEditorItr",
             "ShowUserEditorRen", "ShowUserEditorKey", Security::kFunctionNamesExport })
        EXPECT_NE(Proc(name), nullptr) << name;
}

TEST_F(ValuepadExportsTest, TheKeyIgnoresItsArgumentAndHoldsNoZeroByte)
{
    auto key = reinterpret_cast<Security::TParamEdKeyFn>(Proc("ShowUserEditorKey"));
    ASSERT_NE(key, nullptr);
    const tor::pswdsstr<16> first = key(tor::pswdsstr<16>("Torvane.Wardlock"));
    for (const char* progID : { "", "Another.Program", "0123456789abcdef" })
        EXPECT_EQ(key(tor::pswdsstr<16>(progID)), first) << progID;
    EXPECT_EQ(first.length(), 16u);
    EXPECT_EQ(first[16], 0);
}

} // namespace
