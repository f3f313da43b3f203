#include "params_fixture.h"

#include "paramcommands.h"
#include "pluginlibrary.h"
#include "valuepad_key_texts.h"

#include <wardlock/data/dataset.h>
#include <wardlock/platform/settings.h>

using namespace Security;

namespace wardlock_test {

ExtraPluginFolder::ExtraPluginFolder(const std::string& folder)
{
    vcl::TRegistry registry(vcl::TRootKey::LocalMachine);
    registry.OpenKey(ParamEditors::kPluginFoldersKey, true);
    registry.WriteString("Tests", folder);
}

ExtraPluginFolder::~ExtraPluginFolder()
{
    vcl::TRegistry(vcl::TRootKey::LocalMachine).DeleteKey(ParamEditors::kPluginFoldersKey);
}

void ParamsTest::TearDown()
{
    host_.reset();
    AdminTest::TearDown();
}

int ParamsTest::AddType(const std::string& name, const TypeSetup& setup)
{
    db().Exec("insert into ParamTypes (Name, FullName, DllName, InsFncName, ItrFncName, "
              "RenFncName, ShowFncName, KeyFncName, FKey) values (:p1, :p2, :p3, :p4, :p5, :p6, "
              ":p7, :p8, :p9)",
        { QString::fromStdString(name), QString::fromStdString(name + " type"),
            QString::fromStdString(setup.dll), QString::fromStdString(setup.insert),
            QString::fromStdString(setup.iterate), QString::fromStdString(setup.rename),
            QString::fromStdString(setup.show), QString::fromStdString(setup.key),
            setup.storedKey });
    return db()
        .Scalar(
            "select ParamTypeID from ParamTypes where Name = :p1", { QString::fromStdString(name) })
        .toInt();
}

int ParamsTest::AddTestEditorType(const std::string& name)
{
    return AddType(name,
        { "wardtestparamed.dll", "TestEdIns", "TestEdItr", "TestEdRen", "TestEdShow", "TestEdKey",
            RawBytes(tor::pswdsstr<16>(kTestEditorKey)) });
}

int ParamsTest::AddValuepadType(const std::string& name)
{
    return AddType(name,
        { "valuepad.dll", "ShowUserEditorIns", "ShowUserEditorItr", "ShowUserEditorRen",
            "ShowUserEditor", "ShowUserEditorKey", RawBytes(valuepadkey::Key()) });
}

THiddenAdminForm& ParamsTest::Host()
{
    if (!host_)
        host_ = std::make_unique<THiddenAdminForm>(LoginAdmin(), nullptr);
    return *host_;
}

void ParamsTest::ApplyAndRefresh()
{
    Module().ApplyUpdates();
    Module().RefreshAll();
}

void ParamsTest::ReloadTypes()
{
    vcl::TDataSet* types = Module().Current.ParamTypesDS->DataSet();
    types->Close();
    types->Open();
}

bool ParamsTest::Exists(const std::string& paramName)
{
    return Count("select count(*) from Params where Name = :p1",
               { QString::fromStdString(paramName) })
        == 1;
}

int ParamsTest::ParamCount()
{
    return Count("select count(*) from Params");
}

bool ParamsTest::IsHidden(const std::string& paramName)
{
    return db()
        .Scalar("select Hidden from Params where Name = :p1", { QString::fromStdString(paramName) })
        .toBool();
}

std::string ParamsTest::FullNameOf(const std::string& paramName)
{
    return db()
        .Scalar(
            "select FullName from Params where Name = :p1", { QString::fromStdString(paramName) })
        .toString()
        .toStdString();
}

void ParamsTest::NewParam(
    const std::string& name, int typeID, const std::string& defaultValue, bool hidden)
{
    ParamCommands::TNewParamData data;
    data.Name = name;
    data.FullName = name + " full";
    data.Description = "About " + name;
    data.DefaultValue = defaultValue;
    data.ParamTypeID = typeID;
    data.Hidden = hidden;
    ParamCommands::NewParam(Host(), data);
}

void ParamsTest::Select(const std::string& name)
{
    Module().SetParamsFiltered(false);
    ASSERT_TRUE(Module().FindParam(name.c_str())) << name;
}

} // namespace wardlock_test
