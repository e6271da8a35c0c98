#pragma once

#include <QString>
#include <array>
#include <cstdint>

// Colours are 0x00BBGGRR (red in the low byte), as the radio's display settings
// have always been stored.
using Colour = std::uint32_t;

// Every persistent setting of the suite, as typed variables. They are read once at
// start-up (LoadSettings) and written back at the moments the owning windows
// choose; the rest of the program reads these variables, never the store.
struct Settings {
    // --- section "Settings" -------------------------------------------------
    std::int32_t Port = 0;           // "Port": zero-based COM index, 0 = COM1
    std::int16_t Baud = 10;          // "Baud": index into kBaudRates (10 = 57600)
    std::int32_t Parity = 0;         // "Parity": 0 = no parity
    std::int16_t ConnectionType = 0; // "Port1 USB": 0 = serial COM port, 1 = TCP/IP

    Colour BackgroundColor = 0x000000; // "Background Color"
    Colour GraphColor = 0x00FF00;      // "Graph Color"
    Colour MessageColor = 0x00FF00;    // "Message Color"
    Colour GridColor = 0x804000;       // "Grid Color"
    Colour LabelColor = 0x000000;      // "Label Color"
    Colour Marker1Color = 0x00FF00;    // "Marker1 Color"
    Colour Marker2Color = 0x0000FF;    // "Marker2 Color"

    float CenterFrequency = 915.0f; // "Center Frequency", MHz
    float Span = 26.0f;             // "Span", MHz
    float Amplitude = -40.0f;       // "Amplitude", dB (top of the spectrum plot)
    std::int16_t Attenuator = 0;    // "Attenuator"

    // Margins in twips.
    std::int16_t SpecAnTop = 500, SpecAnBottom = 500, SpecAnLeft = 500, SpecAnRight = 500;
    std::int16_t GraphTop = 500, GraphLeft = 500;
    std::int16_t BinsTop = 500, BinsBottom = 500, BinsLeft = 500, BinsRight = 500;
    std::int16_t StopLightTop = 500, StopLightBottom = 500, StopLightLeft = 500,
                 StopLightRight = 500;

    // Stop-light thresholds indexed [test][meter]: "Marginal Stop Light ij" and
    // "Bad Stop Light ij" (test 0 = hop bin analyzer, 1 = spectrum analyzer;
    // meter 0 = average RSSI, 1 = percent good).
    float MarginalThreshold[2][2] = {{-80.0f, 85.0f}, {-85.0f, 85.0f}};
    float BadThreshold[2][2] = {{-95.0f, 70.0f}, {-75.0f, 70.0f}};

    std::int16_t NumberOfGradiants = 10; // "Number of Gradiants"
    std::int16_t NumberOfPoints = 50;    // "Number of Points"
    std::int32_t TXTestSize = 64;        // "TXTestSize"
    std::int16_t Retries = 1;            // "Retries", 1..255
    bool NetworkQuery = true;            // "Network Query"
    std::int32_t RealTimeCheck = 1;      // "Real Time Check"
    std::int32_t PeakCheck = 1;          // "Peak Check"
    std::int32_t AverageCheck = 1;       // "Average Check"
    std::int32_t MeterType[2] = {0, 0};  // "Meter Type0", "Meter Type1"
    std::int32_t MeterTest = 0;          // "Meter Test": 0 = hop bin, 1 = spectrum

    // TCP endpoint of a serial device server ("TCP Address", "TCP Port").
    QString TcpAddress = QStringLiteral("127.0.0.1");
    std::int32_t TcpPort = 5000;

    // --- section "COM Ports" --------------------------------------------------
    // Device path behind COM1..COM16 ("COM1" ... "COM16"); empty = not mapped,
    // which means /dev/ttyS<n-1>.
    std::array<QString, 16> ComPortDevices;

    // --- derived at start-up, never stored ------------------------------------
    QString ProgramDirectory; // per-user writable data directory, ends in "/"
    bool IsWindowsNT = false; // meaningless on Linux; kept false
    QString BaudText;         // "Baud" replaced by its rate text at start-up
    QString ParityLetter;     // "n" when Parity is 0, else empty

    // The start-up conversions that follow the load: baud index to rate text,
    // parity letter.
    void applyStartupConversions();
};

// The baud-rate table: index as stored under "Baud" and as the list position in
// the connection dialog.
inline constexpr std::array<const char*, 12> kBaudRates = {"110",   "300",   "1200",  "2400",
                                                           "4800",  "9600",  "14400", "19200",
                                                           "28800", "38400", "57600", "115200"};
