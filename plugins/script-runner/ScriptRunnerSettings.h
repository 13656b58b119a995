#pragma once

#include <QWidget>

class PLUMETPreferences;

// The settings page of the Scripts add-on: the interpreter of each script
// kind (empty for the default) and a way to the scripts folder.
class ScriptRunnerSettings : public QWidget {
    Q_OBJECT

public:
    explicit ScriptRunnerSettings(PLUMETPreferences* preferences, QWidget* parent = nullptr);
};
