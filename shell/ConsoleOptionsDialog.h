#pragma once

#include <QDialog>

// The console's display options: font, colours and window opacity, written
// straight to the console_* preferences.
class ConsoleOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit ConsoleOptionsDialog(QWidget* parent = nullptr);

private:
    void chooseFont();
    void chooseColor(const QString& key, const QString& title);
};
