#pragma once

#include <QTextBrowser>
#include <optional>

#include "platform/core/Url.h"
#include "platform/workspace/Workspace.h"

// An embeddable page view for the preference panes (the release notes): local pages, web links
// handed to the browser.
class WebViewController : public QTextBrowser {
  public:
    explicit WebViewController(platform::Workspace& workspace, QWidget* parent = nullptr);

    // Loads the page; nothing (an empty view) clears it.
    void setUrl(const std::optional<platform::Url>& url);
    const std::optional<platform::Url>& url() const { return url_; }
    void linkClicked(const QUrl& url);

  private:
    platform::Workspace& workspace_;
    std::optional<platform::Url> url_;
};
