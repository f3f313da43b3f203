#pragma once
// TSecDModBDEFrm: the runtime data module over a database reached by alias
// (the BDE stand-in): a private session, the database "SecurityDB" and the
// seven queries of the security database. Login, rights and parameter
// lookups are TSecDModFrm's; this class connects, prepares the users query
// with its byte-exact name filter, and disconnects.

#include <wardlock/datamodule.h>

#include <string>

namespace vcl {
class TDatabase;
class TQuery;
class TSession;
class TStoredProc;
} // namespace vcl

namespace Security {

class TSecurity;

class TSecDModBDEFrm : public TSecDModFrm {
public:
    // The form as designed: default alias "WardDemo", no name, no account.
    explicit TSecDModBDEFrm(vcl::TComponent* owner);
    // `bdeSqlParams` false rewrites the four parameterised texts so that the
    // database binds their parameters by position (":GroupID" -> "pGroupID").
    TSecDModBDEFrm(TSecurity* owner, const char* name, const char* alias, const char* dbUser,
        bool bdeSqlParams);
    ~TSecDModBDEFrm() override;

    // Connects, prepares the users query and checks the database signature.
    // Every failure ends disconnected, with the password forgotten: false.
    bool PrepareLogin(const char* dbPassword) override;
    void PostLogin() override;
    void Logout() override;
    void DSSetParam(vcl::TComponent* dataSet, const char* paramName, const char* value) override;
    void DSSetParam(vcl::TComponent* dataSet, const char* paramName, int value) override;

    // Accepts a users row only when its Name equals the query's Name
    // parameter byte for byte.
    void UsersFilterRecord(vcl::TDataSet* dataSet, bool& accept);
    virtual std::string GetAlias();

    vcl::TSession* SecuritySession = nullptr;
    vcl::TDatabase* SecurityDB = nullptr;

private:
    void BuildForm();
    vcl::TQuery* NewQuery(const char* name, const char* const* lines, bool cachedUpdates);
    // A procedure of failed-login throttling, on the same database.
    vcl::TStoredProc* NewProcedure(const char* name);
    vcl::TQuery* UsersQuery() const;
    void Disconnect() noexcept;
};

} // namespace Security
