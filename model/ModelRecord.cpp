#include "ModelRecord.h"

ModelRecord::ModelRecord(QObject* parent) : QObject(parent) {}

ModelRecord::~ModelRecord() = default;
