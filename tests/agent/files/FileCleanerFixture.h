#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "agent/engine/PLClientProtocol.h"
#include "agent/engine/TextEncodingCatalog.h"
#include "agent/files/FileCleaner.h"
#include "platform/core/Log.h"
#include "platform/sim/SimFileTypes.h"
#include "platform/sim/SimPasteboardStore.h"
#include "tests/support/TempDir.h"

namespace filestest {

// An engine client whose engine upper-cases ASCII letters: plain text, or rich text run by run
// with its styles. Names resolve to tokens through a two-entry table; requests are recorded.
class UpperCaseClient : public PLClientProtocol {
  public:
    struct Request {
        std::string cleaner;
        std::vector<std::string> types;  // on the pasteboard when the engine was asked
    };

    explicit UpperCaseClient(std::shared_ptr<platform::PasteboardStore> store)
        : store_(std::move(store)) {}

    std::string nameFor(const std::string& token) override;
    std::string tokenFor(const std::string& name) override;
    void cleanClipboardWith(const std::string&) override {}
    void cleanPasteboardWithName(const std::string&, const std::string&) override {}
    void cleanPasteboard(platform::Pasteboard& pasteboard, const std::string& cleaner) override;
    std::vector<std::string> textEncodingList() override { return {}; }
    bool validateEncodingName(const std::string&) override { return false; }
    std::string showPickListWithStart(const std::optional<std::string>&) override {
        return "#CANCEL";
    }
    void cleanWithUrl(const platform::Url& url,
                      const platform::PropertyList::Dictionary& options) override {
        files.push_back({url, options});
    }
    std::vector<std::string> libraryTokenList() override { return {}; }
    std::vector<std::string> grouplist(int) override { return {}; }
    PLClientGroupsContainer& groups() override;

    std::vector<Request> requests;
    // What reached the file hook.
    std::vector<std::pair<platform::Url, platform::PropertyList::Dictionary>> files;

  private:
    std::shared_ptr<platform::PasteboardStore> store_;
};

// A file cleaner on the sim: temporary files, sim file types and pasteboards, captured logs.
class FileCleanerTest : public ::testing::Test {
  protected:
    using Options = FileCleaner::Options;

    std::string file(const std::string& name, const std::string& bytes) {
        return temp.write(name, bytes).string();
    }
    std::string path(const std::string& name) const { return (temp.path() / name).string(); }
    std::string read(const std::string& name) const;
    // The cleaner's lines, in order.
    const std::vector<std::string>& lines() const { return logs.sink.logged; }

    testsupport::TempDir temp;
    platform::ScopedLogCapture logs;
    std::shared_ptr<platform::SimPasteboardStore> store =
        std::make_shared<platform::SimPasteboardStore>();
    UpperCaseClient client{store};
    platform::SimFileTypes types;
    TextEncodingCatalog encodings{platform::StringEncodings::available(), "Western", "Unicode"};
    FileCleaner cleaner{{client, store, types, encodings}};
};

}  // namespace filestest
