#pragma once

#include <QObject>

// What the main window's menus show and its commands read: the checked port, the length limit
// and whether the preview is shown. The menu items show the model; the settings are read into
// it and written from it. Each change is told once, a value set again tells nothing.
class MainWindowModel : public QObject {
    Q_OBJECT

public:
    static constexpr int NoPort = 0;

    using QObject::QObject;

    // 1..5, NoPort when none is checked; any other number is taken as NoPort.
    int port() const { return m_port; }
    void setPort(int port);
    // The long limit (itemLeng59000) rather than the short one (ItemLeng6140).
    bool longLimit() const { return m_longLimit; }
    void setLongLimit(bool longLimit);
    bool previewShown() const { return m_previewShown; }
    void setPreviewShown(bool shown);

signals:
    void portChanged(int port);
    void longLimitChanged(bool longLimit);
    void previewShownChanged(bool shown);

private:
    int m_port = 1;
    bool m_longLimit = false;
    bool m_previewShown = false;
};
