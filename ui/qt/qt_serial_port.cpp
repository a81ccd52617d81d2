// QSerialPort behind ui::SerialPort. A pty has no modem lines: "modem status not supported"
// counts as CTS present. ReadError and ResourceError close the port (a vanished device).
#include "ui/qt/qt_serial_port.h"

#include <QtSerialPort/QSerialPort>
#include <QtSerialPort/QSerialPortInfo>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

namespace ui {

namespace {
constexpr int kQueueBytes = 2048;
constexpr int kCtsWaitMs = 1000;
constexpr int kWriteWaitMs = 2000;
}  // namespace

QtSerialPort::QtSerialPort(std::string device, std::string display_name)
    : port_(std::make_unique<QSerialPort>()), device_(std::move(device)), display_name_(std::move(display_name)) {
  if (display_name_.empty()) display_name_ = device_;
  // QSerialPort takes a bare name as a /dev entry: make relative paths absolute.
  if (!device_.empty() && device_[0] != '/') {
    std::error_code ec;
    auto abs = std::filesystem::absolute(device_, ec);
    if (!ec) device_ = abs.string();
  }
}

QtSerialPort::~QtSerialPort() = default;

std::vector<std::string> QtSerialPort::serial_devices() {
  std::vector<std::string> out;
  for (const auto& info : QSerialPortInfo::availablePorts()) out.push_back(info.systemLocation().toStdString());
  std::sort(out.begin(), out.end());
  return out;
}

std::optional<std::string> QtSerialPort::resolve(std::string_view port) {
  if (port.size() == 4 && port.substr(0, 3) == "com" && port[3] >= '1' && port[3] <= '5') {
    auto devices = serial_devices();
    std::size_t index = static_cast<std::size_t>(port[3] - '1');
    if (index >= devices.size()) return std::nullopt;
    return devices[index];
  }
  return std::string(port);
}

bool QtSerialPort::check_failed() {
  auto e = port_->error();
  if (e == QSerialPort::ReadError || e == QSerialPort::ResourceError || e == QSerialPort::WriteError) {
    device_error_ = true;
    port_->close();
    port_->clearError();
    return true;
  }
  if (e != QSerialPort::NoError) port_->clearError();
  return false;
}

bool QtSerialPort::cts_within(int ms) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    QSerialPort::PinoutSignals pins = port_->pinoutSignals();
    if (port_->error() == QSerialPort::UnsupportedOperationError) {
      port_->clearError();
      return true;  // no modem lines (a pty): counts as CTS present
    }
    if (pins & QSerialPort::ClearToSendSignal) return true;
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

OpenResult QtSerialPort::open(int stop_bits) {
  if (port_->isOpen()) return {OpenOutcome::AlreadyOpen, 0};
  device_error_ = false;
  open_failure_.clear();
  if (device_.empty()) {
    open_failure_ = "this machine has no such serial port";
    return {OpenOutcome::CannotOpen, 0};
  }
  port_->setPortName(QString::fromStdString(device_));
  port_->setBaudRate(9600);
  port_->setDataBits(QSerialPort::Data8);
  port_->setParity(QSerialPort::NoParity);
  port_->setStopBits(stop_bits == 1 ? QSerialPort::OneStop : QSerialPort::TwoStop);
  port_->setFlowControl(QSerialPort::NoFlowControl);
  port_->setReadBufferSize(kQueueBytes);
  if (!port_->open(QIODevice::ReadWrite)) {
    auto e = port_->error();
    const std::string where = display_name_ == device_ ? std::string() : " (" + device_ + ")";
    switch (e) {
      case QSerialPort::DeviceNotFoundError: open_failure_ = "no such device" + where; break;
      case QSerialPort::PermissionError:
        open_failure_ = "permission denied" + where +
                        " - add your user to the dialout group (sudo adduser $USER dialout) and log in again";
        break;
      case QSerialPort::OpenError: open_failure_ = "in use by another program" + where; break;
      default: open_failure_ = port_->errorString().toStdString() + where; break;
    }
    port_->clearError();
    if (e == QSerialPort::DeviceNotFoundError || e == QSerialPort::PermissionError || e == QSerialPort::OpenError)
      return {OpenOutcome::CannotOpen, 0};
    return {OpenOutcome::OtherError, static_cast<int>(e)};
  }
  port_->clear(QSerialPort::AllDirections);
  if (!cts_within(kCtsWaitMs)) {
    open_failure_ = "the recorder did not raise CTS within 1 s - check the cable and that it is switched on";
    port_->close();
    return {OpenOutcome::NoCts, 0};
  }
  return {OpenOutcome::Ok, 0};
}

bool QtSerialPort::is_open() const { return port_->isOpen(); }

void QtSerialPort::close() {
  if (port_->isOpen()) port_->close();
}

bool QtSerialPort::set_speed(int baud) {
  bool ok = port_->setBaudRate(baud);
  if (check_failed()) return false;
  return ok;
}

bool QtSerialPort::write(std::string_view bytes) {
  if (!port_->isOpen()) return false;
  qint64 n = port_->write(bytes.data(), static_cast<qint64>(bytes.size()));
  if (n != static_cast<qint64>(bytes.size())) {
    check_failed();
    return false;
  }
  while (port_->bytesToWrite() > 0) {
    if (!port_->waitForBytesWritten(kWriteWaitMs)) break;
  }
  return !check_failed();
}

int QtSerialPort::bytes_waiting() {
  if (!port_->isOpen()) return device_error_ ? -1 : 0;
  if (port_->bytesAvailable() < kQueueBytes) port_->waitForReadyRead(0);  // takes in what the driver holds
  if (check_failed()) return -1;
  return static_cast<int>(std::min<qint64>(port_->bytesAvailable(), kQueueBytes));
}

std::string QtSerialPort::read(int max) {
  if (!port_->isOpen() || max <= 0) return {};
  QByteArray data = port_->read(max);
  check_failed();
  return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

bool QtSerialPort::wait_readable(int timeout_ms) {
  if (!port_->isOpen()) return false;
  if (port_->bytesAvailable() > 0) return true;
  port_->waitForReadyRead(timeout_ms);
  if (check_failed()) return false;
  return port_->bytesAvailable() > 0;
}

void QtSerialPort::purge() {
  if (port_->isOpen()) port_->clear(QSerialPort::AllDirections);
}

}  // namespace ui
