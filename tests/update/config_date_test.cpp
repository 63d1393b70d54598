// Configuration dates in ISO form and in the short form of the user's locale.
#include "update/config_date.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QLocale>

namespace orvalin::update {
namespace {

TEST(ConfigDate, LocaleShortFormsAndIsoAreRead) {
    using std::chrono::seconds;
    const LocalSeconds noon = *local_time(2024, 5, 1, 12, 0, 0);
    struct Case {
        QLocale locale;
        QString text;
        std::optional<LocalSeconds> expect;
    } cases[] = {
        {QLocale(QLocale::Chinese, QLocale::China), "2024-05-01 12:00:00", noon},
        {QLocale(QLocale::Chinese, QLocale::China), "2024/5/1 12:00:02", noon + seconds(2)},
        {QLocale(QLocale::Chinese, QLocale::China), "2024/5/1 12:00", noon},
        {QLocale(QLocale::Chinese, QLocale::China), "2024/5/1", noon - seconds(12 * 3600)},
        {QLocale(QLocale::German, QLocale::Germany), "01.05.24 12:00", noon},
        {QLocale(QLocale::English, QLocale::UnitedStates), "5/1/24 12:00:06", noon + seconds(6)},
        {QLocale(QLocale::English, QLocale::UnitedStates), "yesterday", std::nullopt},
        {QLocale(QLocale::Chinese, QLocale::China), "2024/13/1 12:00", std::nullopt},
        {QLocale(QLocale::Chinese, QLocale::China), "", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parse_config_date(c.text, c.locale), c.expect)
            << c.locale.name().toStdString() << " " << c.text.toStdString();
}

TEST(ConfigDate, WhatALocaleWritesItReadsBack) {
    const QDateTime when(QDate(2031, 11, 30), QTime(23, 59));
    const LocalSeconds expect = *local_time(2031, 11, 30, 23, 59, 0);
    for (const auto& locale : {QLocale(QLocale::Chinese, QLocale::China),
                               QLocale(QLocale::English, QLocale::UnitedStates),
                               QLocale(QLocale::French, QLocale::France),
                               QLocale(QLocale::Japanese, QLocale::Japan), QLocale::c()}) {
        const QString text = locale.toString(when, QLocale::ShortFormat);
        EXPECT_EQ(parse_config_date(text, locale), expect)
            << locale.name().toStdString() << " " << text.toStdString();
    }
}

}  // namespace
}  // namespace orvalin::update
