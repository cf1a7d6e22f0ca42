#pragma once
// Project and text files for the command-line tests, written with the
// program's own project codec as the window writes them.

#include "project/ProjectFile.h"

#include <QFile>
#include <QImage>
#include <QString>
#include <gtest/gtest.h>

#include <vector>

struct TestProject
{
    std::vector<double> values;
    ProjectRecord record;
    ProjectPictures pictures;
};

inline QImage testPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(QColor(40, 120, 200));
    return image;
}

// Texts in plain ASCII unless a test is about the code page.
inline void setAscii(ProjectRecord &record, ProjectRecord::Text field, const char *text)
{
    record.setText(field, QByteArray(text));
}

// A vertical light curtain, d = 14 mm, as the window saves it right after
// choosing one.
inline TestProject lightCurtainProject(std::vector<double> values)
{
    TestProject p;
    p.values = std::move(values);
    p.record.setSafetyDeviceId(0);
    p.record.setResolution(14.0);
    p.record.setHeight(-1.0);
    setAscii(p.record, ProjectRecord::Text::SafetyDeviceName, "Vertical Light Curtain");
    setAscii(p.record, ProjectRecord::Text::SafetyDeviceParams, "d=14 mm");
    return p;
}

inline void writeProject(const QString &fileName, const TestProject &p)
{
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_TRUE(writeProjectFile(file, p.values, p.record, p.pictures));
}

inline void writeBytes(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline QByteArray readBytes(const QString &fileName)
{
    QFile file(fileName);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << fileName.toStdString();
    return file.readAll();
}

// Nine times 100 ms and once 200 ms: mean 110, sigma 31.62..., mean + 3 sigma
// 204.87 ms governs over the maximum.
inline std::vector<double> tenValues()
{
    std::vector<double> v(9, 100.0);
    v.push_back(200.0);
    return v;
}
