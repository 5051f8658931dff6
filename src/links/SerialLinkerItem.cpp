#include "links/SerialLinkerItem.h"

CSerialLinkerItem::CSerialLinkerItem(CHwLinkerEngine* engine) : CHwLinkerItem(engine) {}

CSerialLinkerItem::~CSerialLinkerItem() = default;
