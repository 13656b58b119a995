#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("plumet"));
    QApplication::setOrganizationName(QStringLiteral("plumet"));
    QApplication::setApplicationVersion(QStringLiteral(PLUMET_VERSION));

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("plumet"));
    auto* label = new QLabel(QObject::tr("plumet %1 — a desktop weblog client.\n"
                                         "The accounts and drafts windows arrive in coming versions.")
                                 .arg(QApplication::applicationVersion()),
                             &window);
    label->setAlignment(Qt::AlignCenter);
    label->setMargin(24);
    window.setCentralWidget(label);
    window.resize(480, 200);
    window.show();
    return app.exec();
}
