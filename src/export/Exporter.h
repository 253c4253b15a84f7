#pragma once
// TEMPORARY until the export operations land.
#include <QObject>
class Exporter : public QObject {
public:
    using QObject::QObject;
    void exportSelected() {}
    void exportAll() {}
};
