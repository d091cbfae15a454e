// Tag and HelpContext travel with every control as dynamic properties, so a
// handler shared by a family of controls can tell its sender apart.
#pragma once

#include <QObject>
#include <QVariant>

inline void SetTag(QObject* o, int tag) { o->setProperty("Tag", tag); }
inline void SetHelpContext(QObject* o, int hc) { o->setProperty("HelpContext", hc); }
inline int Tag(const QObject* o) { return o ? o->property("Tag").toInt() : 0; }
inline int HelpContext(const QObject* o) { return o ? o->property("HelpContext").toInt() : 0; }
