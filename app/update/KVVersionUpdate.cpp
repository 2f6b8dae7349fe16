#include "update/KVVersionUpdate.h"

CKVVersionUpdate::CKVVersionUpdate(std::string historyFolder, std::string versionUrl)
    : CVersionUpdate(std::move(historyFolder))
    , m_versionUrl(std::move(versionUrl))
{
}

CKVVersionUpdate::~CKVVersionUpdate()
{
    Shutdown();
}

std::string CKVVersionUpdate::GetVersionUrl() const
{
    return m_versionUrl;
}

std::string CKVVersionUpdate::GetProductName() const
{
    return "Tessaly";
}
