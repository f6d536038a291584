#include "ui/CommandIds.h"

#include "ops/MainFrame.h"

#include <QVariant>

bool SendFrameCommand(int id)
{
    auto* target = dynamic_cast<ICommandTarget*>(GetMainFrame());
    return target && target->OnCommand(id);
}

void SetCommandId(QObject* object, int id)
{
    if (object)
        object->setProperty(kIdProperty, id);
}

int CommandIdOf(const QObject* object)
{
    const QVariant id = object ? object->property(kIdProperty) : QVariant();
    return id.isValid() ? id.toInt() : 0;
}
