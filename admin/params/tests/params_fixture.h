#pragma once
// The parameter editors on a real security database: the administration
// fixture (a fresh database per test, the administrator logged in through the
// BDE provider) plus parameter types naming the test plug-ins and valuepad,
// and the hidden full form that ModifyStart uses as the editors' owner.

#include "admin_fixture.h"
#include "dialogs_driver.h"
#include "hiddenadminform.h"

#include <wardlock/keeper/parameditor.h>
#include <wardlock/keeper/secdmoddlg.h>

#include <memory>
#include <string>

namespace wardlock_test {

// The folder of wardtestthrower, which only the settings can make known.
inline const std::string kExtraFolder = WARDLOCK_TEST_EXTRA_PLUGINS;

// Names a plug-in folder in the system settings for its lifetime.
class ExtraPluginFolder {
public:
    explicit ExtraPluginFolder(const std::string& folder = kExtraFolder);
    ~ExtraPluginFolder();
    ExtraPluginFolder(const ExtraPluginFolder&) = delete;
    ExtraPluginFolder& operator=(const ExtraPluginFolder&) = delete;
};

// The key the test editor answers with.
inline constexpr const char* kTestEditorKey = "TestEditorKey01!";

struct TypeSetup {
    std::string dll;
    std::string insert, iterate, rename, show, key;
    QVariant storedKey; // raw bytes (RawBytes) or null
};

class ParamsTest : public AdminTest {
protected:
    void TearDown() override;

    // A parameter type; its ParamTypeID.
    int AddType(const std::string& name, const TypeSetup& setup);
    // The test editor ("wardtestparamed.dll", key checked) under `name`.
    int AddTestEditorType(const std::string& name = "TestEd");
    // valuepad's type as autodetection stores it.
    int AddValuepadType(const std::string& name = "Personal");

    // The administrator's hidden full form (made on first use) and its module.
    Security::THiddenAdminForm& Host();
    Security::TSecDModDlgBaseFrm& Module() { return *Host().DataModule(); }
    // Applies the module's cached changes and reads everything again.
    void ApplyAndRefresh();
    // Reads the parameter types again (types added after the module opened).
    void ReloadTypes();

    // --- the database as it is ---
    bool Exists(const std::string& paramName);
    int ParamCount();
    // Whether the parameter is hidden in the database.
    bool IsHidden(const std::string& paramName);
    std::string FullNameOf(const std::string& paramName);

    // A parameter inserted through the "New parameter" command.
    void NewParam(const std::string& name, int typeID, const std::string& defaultValue = {},
        bool hidden = false);
    // Makes `name` the current parameter of the module (hidden ones too).
    void Select(const std::string& name);

private:
    std::unique_ptr<Security::THiddenAdminForm> host_;
};

// The message of the exception `body` throws ("" when it throws none).
template<class Body> std::string MessageOf(Body&& body)
{
    try {
        body();
    } catch (const std::exception& error) {
        return error.what();
    }
    return {};
}

} // namespace wardlock_test
