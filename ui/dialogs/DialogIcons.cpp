#include "DialogIcons.h"

#include <QAbstractButton>
#include <QDialog>
#include <QIcon>
#include <QLayout>

void setDialogFrame(QDialog* dialog)
{
    dialog->setWindowIcon(QIcon(QStringLiteral(":/images/128.png")));
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    if (QLayout* layout = dialog->layout())
        layout->setSizeConstraint(QLayout::SetFixedSize);
}

void setButtonIcon(QAbstractButton* button, int resource)
{
    button->setIcon(QIcon(QStringLiteral(":/images/%1.png").arg(resource)));
    button->setIconSize(QSize(16, 16));
}
