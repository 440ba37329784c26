// SPDX-License-Identifier: GPL-3.0-or-later
// What the phonebook test phone (phonebooks.json) holds, and the commands that read it.
#pragma once

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QStringList>

namespace {

QString S(const char *s) { return QString::fromUtf8(s); }

// What the test phone (phonebooks.json) holds, by stage letter and position.
const QMap<QString, QStringList> kBook = {
    {S("S1"), {S("Anna (+3912345)")}}, {S("S2"), {S("Bob (0612345)")}},
    {S("S3"), {S("Doe, John (+3933311)")}}, {S("S5"), {S("Ann (work) (+39555)")}},
    {S("S6"), {S("Carlo (06999)")}}, {S("S8"), {S("Eve (+3988)")}},
    {S("P1"), {S("Ufficio (+39021)")}}, {S("P3"), {S("Dott. Neri (0557)")}},
    {S("P4"), {S("Zia (+3906)")}}, {S("P5"), {S("Five (5)")}},
    {S("A1"), {S("Roberto -Home- (+3902)"), S("Roberto -Office- (+3903)"),
               S("Roberto -Mobile- (+3904)")}},
    {S("A2"), {S("Laura -Mobile- (+3946)"), S("Laura -Fax- (+3958)")}},
    {S("A4"), {S("Studio -Office- (051)"), S("Studio -Other- (052)")}},
    {S("A5"), {S("Nonna -Home- (0543)")}},
    {S("A6"), {S("Carla -Mobile- (+3933)"), S("Carla -Home- (+3969)"), S("Carla -Office- (+3964)"),
               S("Carla -Fax- (+3965)")}}};

/// "S1-3 A2-2": the entries of those positions, in order.
QStringList Entries(const QString &spec)
{
    QStringList out;
    for (const QString &range : spec.split(u' ', Qt::SkipEmptyParts)) {
        const QStringList ends = range.mid(1).split(u'-');
        for (int i = ends[0].toInt(); i <= ends.value(1, ends[0]).toInt(); ++i)
            out << kBook.value(range.left(1) + QString::number(i));
    }
    return out;
}

/// "SM1-8 ME AB1-6": the commands, each stage's select first.
QStringList Commands(const QString &spec)
{
    QStringList out;
    for (const QString &group : spec.split(u' ', Qt::SkipEmptyParts)) {
        const QString book = group.left(2);
        const QString read = book == u"AB" ? S("AT^SDBR=") : S("AT+CPBR=");
        if (book != u"AB")
            out << S("AT+CPBS=") + book;
        const QStringList ends = group.mid(2).split(u'-', Qt::SkipEmptyParts);
        for (int i = ends.value(0).toInt(); !ends.isEmpty() && i <= ends.value(1).toInt(); ++i)
            out << read + QString::number(i);
    }
    return out;
}

QJsonObject Merged(QJsonObject base, const QJsonObject &over)
{
    for (auto it = over.begin(); it != over.end(); ++it)
        base[it.key()] = it->isObject() && base.value(it.key()).isObject()
                             ? QJsonValue(Merged(base.value(it.key()).toObject(), it->toObject()))
                             : it.value();
    return base;
}

/// phonebooks.json (named by PHONEBOOK_SCENARIO) with `overrides` merged in.
QByteArray PhoneJson(const QByteArray &overrides)
{
    QFile f(qEnvironmentVariable("PHONEBOOK_SCENARIO"));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("no test phone: %s", qPrintable(f.fileName()));
    return QJsonDocument(Merged(QJsonDocument::fromJson(f.readAll()).object(),
                                QJsonDocument::fromJson(overrides).object()))
        .toJson();
}

} // namespace
