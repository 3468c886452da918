#pragma once

#include <QWidget>
#include <functional>

#include "platform/updates/UpdateUserInterface.h"

class QLabel;
class QPushButton;
class QTextBrowser;

namespace platform {

// The window offering an update: what is new, the release notes, and the three answers. Closing
// it without an answer is "later". Links in the notes go to `openExternal` (the browser).
class UpdateOfferWindow : public QWidget {
  public:
    UpdateOfferWindow(const UpdateOffer& offer, std::function<void(UpdateChoice)> choose,
                      std::function<void(const std::string& url)> openExternal);

    QPushButton* installButton() const { return install_; }
    QPushButton* laterButton() const { return later_; }
    QPushButton* skipButton() const { return skip_; }
    QTextBrowser* notes() const { return notes_; }

  private:
    void answer(UpdateChoice choice);

    std::function<void(UpdateChoice)> choose_;
    QPushButton* install_ = nullptr;
    QPushButton* later_ = nullptr;
    QPushButton* skip_ = nullptr;
    QTextBrowser* notes_ = nullptr;
};

}  // namespace platform
