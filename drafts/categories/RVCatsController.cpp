#include "RVCatsController.h"

#include "Category.h"
#include "CatsControllerDelegate.h"
#include "RVTableView.h"

#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>

// A bare list until the panel is built: it keeps the content so that the
// draft's side can be written and tested against it.
class RVCatsController::Private {
public:
    CatsControllerDelegate* delegate = nullptr;
    QWidget* view = nullptr;
    QLineEdit* search = nullptr;
    RVTableView* table = nullptr;
    CategoryList content;
};

RVCatsController::RVCatsController(CatsControllerDelegate* delegate, QWidget* parent)
    : QObject(parent), d(new Private)
{
    d->delegate = delegate;
    d->view = new QWidget(parent);
    auto* layout = new QVBoxLayout(d->view);
    d->search = new QLineEdit(d->view);
    d->table = new RVTableView(d->view);
    layout->addWidget(d->search);
    layout->addWidget(d->table);
}

RVCatsController::~RVCatsController()
{
    delete d;
}

QWidget* RVCatsController::view() const
{
    return d->view;
}
QLineEdit* RVCatsController::searchField() const
{
    return d->search;
}
RVTableView* RVCatsController::tableView() const
{
    return d->table;
}
void RVCatsController::setClock(Clock* clock)
{
    d->table->setClock(clock);
}
CategoryList RVCatsController::content() const
{
    return d->content;
}
void RVCatsController::setContent(const CategoryList& categories)
{
    d->content = categories;
}
void RVCatsController::appendContent(const CategoryList& categories)
{
    d->content += categories;
}

void RVCatsController::removeContent(const CategoryList& categories)
{
    d->content.removeIf([&categories](const CategoryPtr& c) { return categories.contains(c); });
}

void RVCatsController::contentChanged() {}
void RVCatsController::constructSearchMenu() {}
void RVCatsController::focusSearchField()
{
    d->search->setFocus();
}
