// Windows shown only because there was no notification area to sit in. When one arrives they go
// into it, as if it had been there from the start, unless the user has used them in the meantime.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <memory>
#include <vector>

namespace vedodud::qt {

struct FormState;

class FallbackWindows final : public QObject {
public:
    FallbackWindows();
    ~FallbackWindows() override;

    // Shows every loaded form that is hidden, and watches whether the user uses it.
    void ShowHidden(const std::vector<std::weak_ptr<FormState>>& forms);
    // A notification area came: the windows the user has not used go into it.
    void TrayArrived();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Shown {
        std::weak_ptr<FormState> form;
        QElapsedTimer since;
        bool used = false;
    };
    std::vector<Shown> shown_;
};

}  // namespace vedodud::qt
