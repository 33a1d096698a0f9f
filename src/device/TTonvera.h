// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The device object: everything that goes over the wire to the signal
// generator. A plain class; the main window owns the one instance.
//
// The code byte of every packet depends on Running: while the device is
// stopped every code (and every synchronisation byte) goes out 32 higher,
// which the device takes as "stop". Every range check happens before the
// packet concerned is written; packets written earlier stay written.
//
// A port that is lost under a command is closed here at once, the device
// counts as stopped, and the command is aborted with PortLostError; a line
// that takes no bytes for 5 s aborts it with LineStallError.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "device/Pause.h"
#include "device/Protocol.h"
#include "device/SerialLine.h"
#include "device/SinusValues.h"
#include "model/EichTable.h"
#include "model/WaveTable.h"

namespace tonvera {

class TTonvera {
public:
    // The line and the pause must outlive the device object. The line may be
    // closed; packets written to a closed line are lost.
    TTonvera(SerialLine& line, Pause& pause);

    // The open serial port (the line this object writes every packet to).
    SerialLine& PortHandle() { return *Line; }
    // The pause every wait of the protocol goes through.
    Pause& PauseHandle() { return *Pauser; }

    // Count of firmware bytes sent by the current upload; negative once the
    // whole file has gone out.
    std::int32_t UploadCount = 0;
    // The program considers the device to be playing.
    bool Running = false;
    // A calibrated signal had to be clamped to 0 dB by the last download.
    bool EichError = false;
    // The eight wave tables last uploaded, one per signal slot.
    std::array<WaveTable, protocol::TableCount> TableCache;
    // All zeros, as the device holds them after it was opened or a project
    // was loaded. A slot whose upload broke off stays unknown: the device
    // may hold part of a table there.
    void ClearTableCache();
    // The port was lost since it was opened (and has been closed).
    bool PortLost = false;

    // --- Packets -----------------------------------------------------------
    // Writes [code', b1..b5] with one write, code' = code + 32 while stopped.
    void SendCommand(int code, int b1, int b2 = 0, int b3 = 0, int b4 = 0, int b5 = 0);
    // Writes the bytes unchanged with one write (firmware blocks, table words).
    void SendBlock(std::span<const std::uint8_t> block);

    // --- Status and synchronisation ----------------------------------------
    // Status byte by a vote of two or three readings; 0 when no device answers.
    std::uint8_t ReadStatus();
    // Finds a packet boundary: true once the device answered a single byte.
    bool Synchronize();
    // True when the device's packet framing agrees with ours: it answers the
    // sixth single byte and none of the five before.
    bool CheckSync();

    void StartOutput();
    void StopOutput();
    // Returns once what was written has left this computer (the line's
    // wire time included); sends nothing.
    void WaitSent();

    // --- Proof of delivery ---------------------------------------------------
    // The device answers every complete packet with one byte. The bytes
    // written and the answers read are counted from the last packet boundary
    // both sides agree on; answers are read, never asked for, so a line
    // without faults carries the same bytes as without the count.
    //
    // Waits until everything written has left the line and its answers had
    // time to come. A count that falls short means packets did not arrive
    // whole: the boundary is found again, the device stopped, and the
    // command aborted with UnconfirmedError. Nothing to confirm on a closed
    // port.
    void ConfirmAnswers();
    // Before the first packet of a command: answers missing from the polls
    // since the last confirmation (a status query lost on the line) mean the
    // boundary slipped; it is found again, so the command's own packets
    // arrive whole. Sends nothing when the count is right.
    void Realign();
    // The last ReadStatus got an answer at all (a status of 0 from a device
    // that fell silent is no status).
    [[nodiscard]] bool StatusAnswered() const { return LastStatusAnswered; }

    // --- Registers -----------------------------------------------------------
    // index is the signal 0..7; anything else is a range error.
    void SetFrequency(int index, double hz);
    void SetPhase(int index, double degrees);
    // Attenuation in dB; exactly -1 mutes the signal.
    void SetAttenuation(int index, double db);
    void SetStartTime(int index, double ms);
    void SetRampDownStart(int index, double ms);
    // A ramp of 0 ms sends nothing.
    void SetRampUp(int index, double ms);
    void SetRampDown(int index, double ms);
    // flag true: the period is the length (the device repeats it); flag false:
    // the length plays once within the fixed 150 s period.
    void SetSignalLength(bool flag, double ms);
    void SetTriggerWindow(double startMs, double stopMs);
    // Final attenuation in dB, a multiple of 0.75 dB.
    void SetEndDamp(double db);
    // n in 0..255; the packet goes out twice.
    void SetRepetitions(long long n, bool endless);
    void SetTableMode(int value);
    void SetTableMode(bool loading) { SetTableMode(loading ? protocol::TableModeLoading : protocol::TableModeNormal); }

    // --- Download (Download.cpp) -------------------------------------------
    // The registers of signal index 0..7. An unused or mute signal gets only
    // amplitude 0. A calibrated sine gets the correction of `calibration`;
    // below 0 dB it is clamped to 0 dB and EichError is set. Returns the
    // attenuation sent (-1 for a signal muted).
    double LoadSignal(int index, const SinusValues& values, const EichTable& calibration);
    // Uploads the table of signal slot 0..7 into device table (slot + 1) mod 8
    // when it differs from TableCache; nothing on a closed port. Returns true
    // when a table went out, false when nothing was sent. A table counts as
    // sent only when the framing check after it passes with the device on the
    // packet boundary the upload left it at; otherwise it goes out once more,
    // and a second failure aborts ("Tabelle %d wurde nicht fehlerfrei
    // übertragen"). Whenever an upload does not complete, the slot is marked
    // unknown so that the next download sends whatever table it has.
    bool LoadTable(int slot, std::span<const std::int32_t, protocol::TableLength> table);
    // True when LoadTable would send this table: the port is open and the
    // table differs from the slot's cache, or the slot is unknown.
    [[nodiscard]] bool TableDue(int slot, std::span<const std::int32_t, protocol::TableLength> table) const;

    // --- Port and firmware (Firmware.cpp) ----------------------------------
    // Opens and configures the port, finds the packet boundary, stops the
    // device and forgets the uploaded tables. A port that cannot be opened
    // is a range error.
    void OpenDevice(const std::string& portName);
    void CloseDevice();
    // Sends a firmware file to the boot loader; the outcome is UploadCount.
    void UploadFirmware(const std::string& fileName);

    // Told the status text of long transfers ("Initialisiere Hardware: 40 %",
    // "Lade Tabelle 1: 50 %") after each block; it should show it at once.
    std::function<void(const std::string&)> Progress;
    // Asked between two blocks of a table or firmware upload; true breaks
    // the transfer off (TransferInterrupted).
    std::function<bool()> Interrupted;
    // Told with each Progress text how far the transfer is (0..100), and
    // with 100 while a table's last answers are awaited: a window that runs
    // its events here stays alive through the whole upload.
    std::function<void(int percent)> Advanced;

private:
    // Every byte goes out and comes in through these two: they turn the
    // line's faults into the aborts above.
    void Write(std::span<const std::uint8_t> bytes);
    LineRead Read();
    void CheckLine();
    void CheckInterrupted();
    // CheckSync; `firstReply` gets the number of the synchronisation byte
    // of step 2 that was answered first (0 when none was).
    bool CheckFraming(int& firstReply);
    // One upload of a table and its framing check; true when it arrived
    // on the packet boundary.
    bool UploadTable(int slot, std::span<const std::int32_t, protocol::TableLength> table);

    void WritePacket(const protocol::Packet& packet);
    void SendSyncByte();
    [[nodiscard]] int RunCode(int code) const;
    static int SignalIndex(int index);
    // Reads and drops whatever is waiting; returns how many bytes were there.
    int Drain();
    std::uint8_t OneStatusReading();
    // The ledger of answers: from here on both sides stand on a boundary.
    void MarkBoundary();
    // Answers still owed for the complete packets written since the mark.
    [[nodiscard]] long long OwedAnswers() const;
    // Lets what was written leave the line and waits for the owed answers;
    // returns how many are still missing then.
    long long AwaitAnswers(const std::function<void()>& waiting = {});
    // Finds the boundary after a count fell short and stops the device.
    void Recover();

    long long SentBytes = 0;
    long long Answers = 0;
    bool LastStatusAnswered = false;

    SerialLine* Line;
    Pause* Pauser;
    // Per slot: false once an upload to it broke off, until one gets
    // through; any table is then due for it, an all-zero one too.
    std::array<bool, protocol::TableCount> Known = {true, true, true, true, true, true, true, true};
};

} // namespace tonvera
