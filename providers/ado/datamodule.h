#pragma once
// TSecDModADOFrm: the runtime data module over an ODBC data source named in an
// ADO-style connection string: the connection "SecurityDB" (read-only, no
// login prompt) and the seven queries of the security database. Login, rights
// and parameter lookups are TSecDModFrm's; this class fills the connection
// string, connects, prepares the users query with its byte-exact name filter,
// and disconnects.

#include <wardlock/datamodule.h>

#include <QString>

#include <string>

namespace vcl {
class TADOConnection;
class TADOQuery;
class TADOStoredProc;
} // namespace vcl

namespace Security {

class TSecurity;

class TSecDModADOFrm : public TSecDModFrm {
public:
    // The form as designed: no name, no connection string.
    explicit TSecDModADOFrm(vcl::TComponent* owner);
    // `connectionTemplate` holds two "%s": the first receives `dbUser`, the
    // second stays "%s" until the first PrepareLogin fills in the database
    // password (see wardlock/connectiontemplate.h for wide templates and quoting).
    TSecDModADOFrm(
        TSecurity* owner, const char* name, const char* connectionTemplate, const char* dbUser);
    ~TSecDModADOFrm() override;

    // Fills the password placeholder (only while disconnected and only once:
    // later preparations connect with the same password), connects, prepares
    // the users query and checks the database signature. Every failure ends
    // disconnected with the connection string built at construction back in
    // place (so the next preparation may try another password): false.
    bool PrepareLogin(const char* dbPassword) override;
    void PostLogin() override;
    void Logout() override;
    // Only ADO queries and procedures take parameters; any other dataset is
    // ignored.
    void DSSetParam(vcl::TComponent* dataSet, const char* paramName, const char* value) override;
    void DSSetParam(vcl::TComponent* dataSet, const char* paramName, int value) override;

    // Accepts a users row only when its Name equals the query's Name
    // parameter byte for byte.
    void UsersFilterRecord(vcl::TDataSet* dataSet, bool& accept);

    // The connection string as construction built it (password placeholder
    // still open).
    const std::string& BuiltConnectionString() const noexcept { return builtConnection_; }

    vcl::TADOConnection* SecurityDB = nullptr;

private:
    void BuildForm();
    vcl::TADOQuery* NewQuery(const char* name, const char* const* lines, bool staticCursor);
    // A procedure of failed-login throttling, on the same connection.
    vcl::TADOStoredProc* NewProcedure(const char* name);
    vcl::TADOQuery* UsersQuery() const;
    void FillPassword(const char* dbPassword);
    void Disconnect() noexcept;

    std::string builtConnection_;
    // The string as the last password filling left it.
    std::string filledConnection_;
    // Where the password placeholder sits in builtConnection_'s text (-1: none).
    qsizetype passwordOffset_ = -1;
    // The user name could not be written into the connection string.
    bool badUser_ = false;
};

} // namespace Security
