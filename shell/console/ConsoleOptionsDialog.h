#pragma once

#include <QDialog>

class QPushButton;

// The console's display options: font, colours and window opacity, written
// straight to the console_* preferences.
class ConsoleOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit ConsoleOptionsDialog(QWidget* parent = nullptr);

private:
    void showFont();
    void chooseFont();
    void chooseColor(const QString& key, const QString& title);

    QPushButton* m_fontButton = nullptr;
};
