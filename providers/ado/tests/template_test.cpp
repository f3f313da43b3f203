// Connection-string templates: where the user name and the password go, wide
// templates, and filling that never reads the template as a printf format.

#include "datamodule.h"
#include <wardlock/connectiontemplate.h>

#include <wardlock/data/ado.h>

#include <gtest/gtest.h>

#include <string>

using namespace Security;

namespace {

const char* const kExample
    = "Provider=MSDASQL.1;Persist Security Info=True;User ID=%s;Password=%s;Data Source=WardDemo";

std::string Built(const std::string& connectionTemplate, const char* dbUser)
{
    TSecDModADOFrm module(nullptr, "Sec", connectionTemplate.c_str(), dbUser);
    return module.SecurityDB->ConnectionString();
}

TEST(ConnectionTemplate, ConstructionFillsTheUserAndKeepsThePasswordPlaceholder)
{
    const struct {
        const char* name;
        std::string connectionTemplate;
        const char* user;
        std::string expected;
    } cases[] = {
        { "example", kExample, "SecurityCheck",
            "Provider=MSDASQL.1;Persist Security Info=True;User ID=SecurityCheck;Password=%s;"
            "Data Source=WardDemo" },
        { "null user reads as empty", kExample, nullptr,
            "Provider=MSDASQL.1;Persist Security Info=True;User ID=;Password=%s;Data "
            "Source=WardDemo" },
        { "UTF-8 user", "User ID=%s;Password=%s", "M\xc3\xbcller",
            "User ID=M\xc3\xbcller;Password=%s" },
        { "other % sequences stay as they stand", "A=%d%x%n%%;User ID=%s;B=100%;Password=%s;C=%",
            "u", "A=%d%x%n%%;User ID=u;B=100%;Password=%s;C=%" },
        { "a user holding %s is not a placeholder", "User ID=%s;Password=%s", "a%sb",
            "User ID=a%sb;Password=%s" },
        { "a user holding ';' is quoted", "User ID=%s;Password=%s", "x;Data Source=Other",
            "User ID=\"x;Data Source=Other\";Password=%s" },
        { "one placeholder takes the user only", "User ID=%s;Data Source=D", "u",
            "User ID=u;Data Source=D" },
        { "a third placeholder stays", "%s;%s;%s", "u", "u;%s;%s" },
        { "no placeholder", "Data Source=D", "u", "Data Source=D" },
        { "placeholder at the very end", "User ID=%s;Password=%s", "u", "User ID=u;Password=%s" },
        { "lone % at the end", "User ID=%s;Password=%s;%", "u", "User ID=u;Password=%s;%" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(Built(c.connectionTemplate, c.user), c.expected) << c.name;
}

TEST(ConnectionTemplate, WideTemplateIsReadAsUtf16FromByteSix)
{
    const std::u16string text
        = u"Provider=MSDASQL.1;User ID=%s;Password=%s;Data Source=W\u00e4rd\u20ac";
    const std::string wide = ado::WideTemplate(text);
    ASSERT_EQ(wide.substr(0, 3), "%ws");
    EXPECT_EQ(Built(wide, "SecurityCheck"),
        "Provider=MSDASQL.1;User ID=SecurityCheck;Password=%s;Data Source=W\xc3\xa4rd\xe2\x82\xac");

    // The zero byte that ends "%ws" marks the layout; the two bytes after it
    // are not text, whatever they hold.
    std::string padded = wide;
    padded.replace(4, 2, "yz");
    EXPECT_EQ(ado::TemplateText(padded.c_str()), QString::fromStdU16String(text));
    // Odd addresses are fine: the units are copied out one by one.
    std::string shifted = " " + wide;
    EXPECT_EQ(ado::TemplateText(shifted.c_str() + 1), QString::fromStdU16String(text));

    EXPECT_EQ(ado::TemplateText(ado::WideTemplate(u"").c_str()), QString());
    // 8-bit text that merely starts with "%ws" is read as 8-bit text, never
    // past its end: here it ends inside what would be the wide text.
    for (const char* eightBit : { "%wsx", "%wsxyzA", "%wsxyzAB", "%ws;User ID=%s;Password=%s" }) {
        const std::string exact(eightBit); // a buffer of exactly its bytes
        EXPECT_EQ(ado::TemplateText(exact.c_str()), QString::fromUtf8(eightBit)) << eightBit;
    }
    // "%w" alone or "%WS" is 8-bit text.
    EXPECT_EQ(ado::TemplateText("%wx=%s"), QStringLiteral("%wx=%s"));
    EXPECT_EQ(ado::TemplateText("%WS=%s"), QStringLiteral("%WS=%s"));
    EXPECT_EQ(ado::TemplateText(nullptr), QString());
}

// A stored copy of known length is read only as far as it reaches: a wide
// template copied as a C string keeps "%ws" alone, which reads as empty.
TEST(ConnectionTemplate, StoredCopyIsReadWithinItsLength)
{
    const std::u16string text = u"User ID=%s;Password=%s;Data Source=W\u00e4rd";
    const std::string wide = ado::WideTemplate(text);
    EXPECT_EQ(ado::TemplateText(std::string_view(wide)), QString::fromStdU16String(text));
    const struct {
        const char* name;
        std::string stored;
        QString expected;
    } cases[] = {
        { "cut after the marker", std::string(wide.c_str()), QString() },
        { "cut inside the padding", wide.substr(0, 5), QString() },
        { "cut inside a unit", wide.substr(0, 9), QStringLiteral("U") },
        { "no zero unit", wide.substr(0, wide.size() - 2), QString::fromStdU16String(text) },
        { "8-bit text", "User ID=%s;Password=%s", QStringLiteral("User ID=%s;Password=%s") },
        { "8-bit text starting with the marker", "%wsx", QStringLiteral("%wsx") },
        { "empty", "", QString() },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ado::TemplateText(std::string_view(c.stored)), c.expected) << c.name;
}

TEST(ConnectionTemplate, ValuesAreQuotedOnlyWhenTheyWouldChangeTheString)
{
    const struct {
        QString value;
        std::optional<QString> written;
    } cases[] = {
        { "KDplenovit", QString("KDplenovit") },
        { "", QString("") },
        { "in side", QString("in side") },
        { "a;b", QString("\"a;b\"") },
        { "a;\"b", QString("'a;\"b'") },
        { "'lead", QString("\"'lead\"") },
        { "\"lead", QString("'\"lead'") },
        { " blank", QString("\" blank\"") },
        { "blank ", QString("\"blank \"") },
        { "a;'\"", std::nullopt },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ado::ConnectionValue(c.value), c.written) << c.value.toStdString();

    // Every written value reads back unchanged through the connection's own reader.
    for (const auto& c : cases) {
        if (!c.written)
            continue;
        const std::string text = "User ID=" + c.written->toStdString() + ";Data Source=D";
        EXPECT_EQ(
            vcl::TADOConnection::ConnectionStringValue(text, "User ID"), c.value.toStdString());
        EXPECT_EQ(vcl::TADOConnection::ConnectionStringValue(text, "Data Source"), "D");
    }
}

TEST(ConnectionTemplate, DesignedFormHasAReadOnlyConnectionWithoutPrompt)
{
    TSecDModADOFrm module(nullptr);
    EXPECT_EQ(module.SecurityDB->ConnectionString(), "");
    EXPECT_EQ(module.SecurityDB->Mode(), vcl::cmRead);
    EXPECT_FALSE(module.SecurityDB->LoginPrompt());
    EXPECT_FALSE(module.SecurityDB->Connected());

    const struct {
        vcl::TDataSet* dataSet;
        vcl::TCursorType cursor;
    } queries[] = {
        { module.Forms, vcl::ctOpenForwardOnly },
        { module.Params, vcl::ctOpenForwardOnly },
        { module.UserRights, vcl::ctOpenForwardOnly },
        { module.GroupParams, vcl::ctOpenForwardOnly },
        { module.UserParams, vcl::ctOpenForwardOnly },
        { module.GroupRights, vcl::ctStatic },
        { module.SecurityParams, vcl::ctStatic },
    };
    for (const auto& q : queries) {
        auto* query = dynamic_cast<vcl::TADOQuery*>(q.dataSet);
        ASSERT_NE(query, nullptr);
        EXPECT_EQ(query->CursorType(), q.cursor) << query->Name();
        EXPECT_TRUE(query->Prepared()) << query->Name();
        EXPECT_EQ(query->Connection(), module.SecurityDB) << query->Name();
    }
    for (vcl::TDataSet* dataSet : { module.GroupRights, module.GroupParams })
        EXPECT_EQ(static_cast<vcl::TADOQuery*>(dataSet)->ParamByName("GroupID").DataType(),
            vcl::ftInteger);
    for (vcl::TDataSet* dataSet : { module.UserRights, module.UserParams })
        EXPECT_EQ(static_cast<vcl::TADOQuery*>(dataSet)->ParamByName("UserID").DataType(),
            vcl::ftInteger);
}

} // namespace
