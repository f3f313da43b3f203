#include "wardlock/keeper/dmodexceptions.h"

namespace Security {

ESecDModException::ESecDModException(int id, const std::string& arg)
    : vcl::Exception(SecFormat(id, arg))
{
}

ESecDModException::ESecDModException(std::string message)
    : vcl::Exception(std::move(message))
{
}

ESecDModException::~ESecDModException() = default;

ESecNotFound::ESecNotFound(const std::string& arg)
    : ESecDModException(sObjectNotFound, arg)
{
}

ESecNotFound::ESecNotFound(int id, const std::string& arg)
    : ESecDModException(id, arg)
{
}

ESecNotFound::~ESecNotFound() = default;

EParamNameNotFound::EParamNameNotFound(const std::string& name)
    : ESecNotFound(sParamNameNotFound, name)
{
}

EParamNameNotFound::~EParamNameNotFound() = default;

ERightNameNotFound::ERightNameNotFound(const std::string& name)
    : ESecNotFound(sRightNameNotFound, name)
{
}

ERightNameNotFound::~ERightNameNotFound() = default;

EParamTypeNotFound::EParamTypeNotFound(const std::string& typeName)
    : ESecNotFound(sUnknownParamType, typeName)
{
}

EParamTypeNotFound::~EParamTypeNotFound() = default;

EPrmTypeNumberNotFound::EPrmTypeNumberNotFound(int typeID)
    : ESecNotFound(sObjectNotFound, std::to_string(typeID))
{
}

EPrmTypeNumberNotFound::~EPrmTypeNumberNotFound() = default;

ESecDBException::ESecDBException(int id, const std::string& cause)
    : ESecDModException(id, cause)
    , cause_(cause)
{
}

ESecDBException::~ESecDBException() = default;

EDBDataUpdateFailed::EDBDataUpdateFailed(const std::string& cause)
    : ESecDBException(sUpdateFailed, cause)
{
}

EDBDataUpdateFailed::~EDBDataUpdateFailed() = default;

EDBOperationFailed::EDBOperationFailed(const std::string& cause)
    : ESecDBException(sOperationFailed, cause)
{
}

EDBOperationFailed::~EDBOperationFailed() = default;

EDBConnectionFailed::EDBConnectionFailed(const std::string& cause)
    : ESecDBException(sConnectFailed, cause)
{
}

EDBConnectionFailed::~EDBConnectionFailed() = default;

} // namespace Security
