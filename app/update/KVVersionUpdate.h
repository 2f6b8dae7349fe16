#pragma once

#include "update/UpdateAddresses.h"
#include "update/VersionUpdate.h"

#include <string>

// The update check of this program: the document of the product "Tessaly" on the maker's site.
class CKVVersionUpdate final : public CVersionUpdate {
public:
    // historyFolder: the configuration file's folder. versionUrl: where the version document is,
    // by default the build's address; empty: this checker never checks.
    explicit CKVVersionUpdate(
        std::string historyFolder, std::string versionUrl = std::string(UPDATE_VERSION_URL));
    ~CKVVersionUpdate() override;
    CKVVersionUpdate(const CKVVersionUpdate&) = delete;
    CKVVersionUpdate& operator=(const CKVVersionUpdate&) = delete;

    std::string GetVersionUrl() const override;
    std::string GetProductName() const override;

private:
    const std::string m_versionUrl;
};
