#pragma once
// TSecDModConnected: a database-neutral administration module (with the
// primitives of admprimitives.h or dlgprimitives.h) on one provider's
// connection. A provider writes only its connection, `Link`; this template
// makes the module, connects it with the administration account stored in
// the security database and opens the form, and turns every failure into
// EDBConnectionFailed (message 2) with the cause.
//
// `Link` offers:
//   explicit Link(vcl::TComponent& module)   its components, owned by the module;
//   void Connect(const TSecurity& security, const tor::pswdsstr<16>& user,
//                const tor::pswdsstr<16>& password)
//                                            connects to the security's database;
//   void Disconnect() noexcept               closes and forgets the account;
//   vcl::TCustomConnection& Connection()     the connection of the transactions;
//   void Use(vcl::TDBDataSet& dataSet)       points a dataset or command at it.

#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/secdmodsmp.h>
#include <wardlock/platform/exception.h>
#include <wardlock/security.h>

#include <cstring>
#include <exception>

namespace Security {

// An administration module (`Module`) connected through a provider's `Link` (see the file comment).
// The provider that made it deletes it.
template<class Module, class Link> class TSecDModConnected : public Module {
public:
    // Makes the module for `security` (its owner), connects with the stored administration account,
    // builds and opens the form; every failure throws EDBConnectionFailed with the cause, connected
    // to nothing.
    TSecDModConnected(TSecurity* security, bool cachedMode, int userID, int groupID,
        const TSecFormOptions& options)
        : Module(security, cachedMode, userID, groupID)
        , link_(*this)
    {
        try {
            ConnectWithAccount();
            this->BuildForm(options);
            this->RestrictTo(userID, groupID);
            this->Open();
        } catch (const std::exception& error) {
            link_.Disconnect();
            throw EDBConnectionFailed(error.what());
        }
    }

    // The provider's connection object.
    const Link& ConnectionLink() const noexcept { return link_; }

protected:
    // The link's connection, and pointing a dataset or command at it.
    vcl::TCustomConnection& Connection() override { return link_.Connection(); }
    void UseConnection(vcl::TDBDataSet& dataSet) override { link_.Use(dataSet); }

private:
    // The account is read through the security's runtime data module, so a
    // security without one cannot be administered.
    void ConnectWithAccount()
    {
        TSecurity* security = this->Security();
        if (!security || !security->DataModule())
            throw vcl::Exception("Wrong SecDMod");
        const tor::pswdsstr<16> user = this->GetDBUser();
        tor::pswdsstr<16> password = this->GetDBPasswd();
        struct Wipe {
            tor::pswdsstr<16>& password;
            ~Wipe() { std::memset(password.data(), 0, tor::pswdsstr<16>::size_bytes); }
        } wipe { password };
        link_.Connect(*security, user, password);
    }

    Link link_;
};

} // namespace Security
