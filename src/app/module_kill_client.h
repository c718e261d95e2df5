#pragma once

// A killer module looks for one kind of damage or one known threat and repairs
// it. It reports back only through the result of Scan, lines appended to the
// run log, and the run's restart-required flag.
//
// No virtual destructor: the run owns modules as objects of their concrete type.
class IModuleKillClient {
public:
    virtual int SetHost(void* host) = 0;
    virtual int Detect() = 0;
    virtual int Scan() = 0;
    virtual int Repair() = 0;
    virtual int Finish() = 0;

protected:
    IModuleKillClient() = default;
    ~IModuleKillClient() = default;
    IModuleKillClient(const IModuleKillClient&) = default;
    IModuleKillClient& operator=(const IModuleKillClient&) = default;
};

// The no-op base of every concrete module.
class IModuleKillClientNull : public IModuleKillClient {
public:
    int SetHost(void* host) override {
        host_ = host;
        return 1;
    }
    int Detect() override { return 0; }
    int Scan() override { return 0; }
    int Repair() override { return 0; }
    int Finish() override { return 1; }

    void* Host() const { return host_; }

protected:
    IModuleKillClientNull() = default;
    ~IModuleKillClientNull() = default;

private:
    void* host_ = nullptr;
};
