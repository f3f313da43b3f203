#include "wardlock/data/ado.h"

#include "odbc_attributes.h"
#include "text_util.h"

namespace vcl {

namespace {

// Splits "a=1;b='x;y';c" into name/value pairs (quotes protect ';').
std::vector<std::pair<std::string, std::string>> ParseConnectionString(const std::string& s)
{
    std::vector<std::pair<std::string, std::string>> items;
    size_t i = 0;
    while (i < s.size()) {
        size_t eq = s.find('=', i);
        size_t semi = s.find(';', i);
        if (eq == std::string::npos || (semi != std::string::npos && semi < eq)) {
            i = semi == std::string::npos ? s.size() : semi + 1;
            continue;
        }
        std::string name = text::Trim(s.substr(i, eq - i));
        size_t v = eq + 1;
        while (v < s.size() && s[v] == ' ')
            ++v;
        std::string value;
        if (v < s.size() && (s[v] == '"' || s[v] == '\'')) {
            char quote = s[v];
            size_t end = s.find(quote, v + 1);
            if (end == std::string::npos)
                end = s.size();
            value = s.substr(v + 1, end - v - 1);
            size_t next = s.find(';', end);
            i = next == std::string::npos ? s.size() : next + 1;
        } else {
            size_t end = s.find(';', v);
            if (end == std::string::npos)
                end = s.size();
            value = text::Trim(s.substr(v, end - v));
            i = end + 1;
        }
        items.emplace_back(name, value);
    }
    return items;
}

} // namespace

TADOConnection::TADOConnection(TComponent* owner)
    : TCustomConnection(owner)
{
}
TADOConnection::~TADOConnection() = default;

void TADOConnection::SetConnectionString(const std::string& text)
{
    if (Connected())
        throw EDatabaseError("Cannot change the connection string of an open connection");
    connectionString_ = text;
}

std::string TADOConnection::ConnectionStringValue(
    const std::string& connectionString, const std::string& name)
{
    for (const auto& [n, v] : ParseConnectionString(connectionString))
        if (text::EqualsNoCase(n, name))
            return v;
    return {};
}

void TADOConnection::OpenWith(const std::string& connectionString)
{
    if (Connected())
        throw EDatabaseError("The connection is already open");
    struct Forget {
        const std::string*& with;
        ~Forget() { with = nullptr; }
    } forget { connectingWith_ };
    connectingWith_ = &connectionString;
    Open();
}

TCustomConnection::ConnectTarget TADOConnection::GetConnectTarget()
{
    const std::string& cs = connectingWith_ ? *connectingWith_ : connectionString_;
    const std::string provider = ConnectionStringValue(cs, "Provider");
    if (!provider.empty() && text::Lower(provider).rfind("msdasql", 0) != 0)
        throw EDatabaseError(
            "Provider '" + provider + "' is not supported; use MSDASQL (an ODBC data source)");
    ConnectTarget target;
    target.driver = QStringLiteral("QODBC");
    std::string dsn = ConnectionStringValue(cs, "Data Source");
    if (dsn.empty())
        dsn = ConnectionStringValue(cs, "DSN");
    if (dsn.empty())
        throw EDatabaseError("The connection string names no data source");
    // Qt's driver makes a bare name "DSN=name;UID=...;PWD=..." for the driver
    // manager, which finds user and system data sources.
    target.databaseName = QString::fromStdString(dsn);
    std::string user = ConnectionStringValue(cs, "User ID");
    if (user.empty())
        user = ConnectionStringValue(cs, "UID");
    std::string password = ConnectionStringValue(cs, "Password");
    if (password.empty())
        password = ConnectionStringValue(cs, "PWD");
    // Qt pastes both into the driver's connection string as they stand.
    target.user = odbc::CredentialValue(dsn, user, "user name");
    target.password = odbc::CredentialValue(dsn, password, "password");
    target.readOnly = mode_ == cmRead;
    return target;
}

TADOQuery::TADOQuery(TComponent* owner)
    : TCustomQuery(owner)
{
}

TADOQuery::~TADOQuery()
{
    CloseWithoutEvents();
}

void TADOQuery::SetConnection(TADOConnection* connection)
{
    TCustomQuery::SetConnection(connection);
    connection_ = connection;
}

void TADOQuery::SetLockType(TADOLockType type)
{
    CheckInactive();
    lockType_ = type;
    if (type == ltBatchOptimistic)
        SetCachedUpdates(true);
}

bool TADOQuery::GetCanModify() const
{
    if (lockType_ == ltReadOnly || (connection_ && connection_->Mode() == cmRead))
        return false;
    return TCustomQuery::GetCanModify();
}

void TADOQuery::UpdateBatch()
{
    ApplyUpdates();
    CommitUpdates();
}

} // namespace vcl
