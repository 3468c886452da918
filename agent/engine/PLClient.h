#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "agent/engine/PLClientDelegate.h"
#include "agent/engine/PLClientProtocol.h"
#include "agent/engine/TextEncodingCatalog.h"
#include "agent/library/PLClientData.h"
#include "agent/library/PLClientGroupsContainer.h"
#include "agent/library/SharedDataLoader.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/pasteboard/PasteboardStore.h"

// The one object through which the agent reaches the engine and the library snapshot.
class PLClient : public PLClientProtocol {
  public:
    static constexpr const char* kCancelToken = "#CANCEL";
    static constexpr const char* kClientInfoUpdated = "com.purlane.clientinfoUpdated";

    struct Collaborators {
        std::shared_ptr<platform::PasteboardStore> pasteboards;
        // The shared suite "KQ4MZR7WXN.com.halvik.purlane".
        platform::UserDefaults* settings = nullptr;
        platform::NotificationCenter* notificationCenter = nullptr;
        std::shared_ptr<SharedDataLoader> loader;
        std::shared_ptr<TextEncodingCatalog> encodings;
    };
    // The modal pick window and the file cleaner come from other parts of the agent; until
    // they are set the client answers as it does without a delegate.
    using PickList = std::function<std::string(const std::optional<std::string>& startGroup)>;
    using FileCleaning =
        std::function<void(const platform::Url&, const platform::PropertyList::Dictionary&)>;

    explicit PLClient(Collaborators collaborators);

    // The process-wide client; set once at start-up (tests build their own).
    static PLClient* shared();
    static void setShared(PLClient* client);

    void setDelegate(std::shared_ptr<PLClientDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    PLClientDelegate* delegate() const { return delegate_.get(); }
    void setPickList(PickList pick) { pickList_ = std::move(pick); }
    void setFileCleaning(FileCleaning cleaning) { fileCleaning_ = std::move(cleaning); }

    PLClientData& clientData() { return *clientData_; }
    platform::UserDefaults& settings() { return *c_.settings; }
    platform::PasteboardStore& pasteboardStore() { return *c_.pasteboards; }

    // Reloads the library; announces it when something was loaded.
    bool updateSharedData();

    // PLClientProtocol
    std::string nameFor(const std::string& token) override;
    std::string tokenFor(const std::string& name) override;
    void cleanClipboardWith(const std::string& cleaner) override;
    void cleanPasteboardWithName(const std::string& name, const std::string& cleaner) override;
    void cleanPasteboard(platform::Pasteboard& pasteboard, const std::string& cleaner) override;
    std::vector<std::string> textEncodingList() override;
    bool validateEncodingName(const std::string& name) override;
    std::string showPickListWithStart(const std::optional<std::string>& startGroup) override;
    void cleanWithUrl(const platform::Url& url,
                      const platform::PropertyList::Dictionary& options) override;
    std::vector<std::string> libraryTokenList() override;
    std::vector<std::string> grouplist(int type) override;
    PLClientGroupsContainer& groups() override { return container_; }

  private:
    Collaborators c_;
    std::shared_ptr<PLClientData> clientData_;
    PLClientGroupsContainer container_;
    std::shared_ptr<PLClientDelegate> delegate_;
    PickList pickList_;
    FileCleaning fileCleaning_;
};
