#include "support/nonlinear_run.h"

#include "support/run_program.h"
#include "support/testfiles.h"

namespace nonlinrun {

void RunFixture::SetUp() { dir_ = MakeScratchDirectory(); }

void RunFixture::TearDown() { RemoveDirectory(dir_); }

ChildResult RunFixture::Start(const testmodel::Model& model, const std::string& name, const std::string& ctrl) const {
  testmodel::WriteDataFile(dir_ + "/" + name, model);
  WriteTextFile(dir_ + "/" + name + "_ctrl.dat", "<OUTPUT_CONTROL>\n" + ctrl + "</OUTPUT_CONTROL>\n");
  return RunProgram(VOLDE_EXE, {name}, dir_);
}

std::string RunFixture::Path(const std::string& suffix, const std::string& name) const {
  return dir_ + "/" + name + suffix;
}

resultfile::DisplReactFile RunFixture::Results(const std::string& name, int nF, int nP) const {
  return resultfile::ReadDisplReact(Path("_dr.bin", name), nF, nP);
}

resultfile::DisplReactFile RunFixture::RunSound(const testmodel::Model& model, int nF, int nP,
                                                const std::string& name) const {
  const ChildResult r = Start(model, name);
  EXPECT_EQ(r.status, 0) << r.err;
  resultfile::DisplReactFile dr = Results(name, nF, nP);
  EXPECT_EQ(dr.error, "");
  EXPECT_EQ(dr.records.size(), model.combinations.size());
  return dr;
}

std::vector<uint8_t> RunFixture::Bytes(const std::string& name, const char* suffix) const {
  return resultfile::ReadFileBytes(Path(suffix, name));
}

void RunFixture::ExpectSameFiles(const std::string& a, const std::string& b,
                                 std::initializer_list<const char*> suffixes) const {
  for (const char* suffix : suffixes) EXPECT_EQ(Bytes(a, suffix), Bytes(b, suffix)) << suffix;
}

Outcome RunFixture::RunOutcome(const testmodel::Model& model, int nF, int nP, const std::string& name,
                               const std::string& ctrl) const {
  Outcome o;
  o.run = Start(model, name, ctrl);
  o.dr = Results(name, nF, nP);
  o.ep = resultfile::ReadNonlinearExecParams(Path("_ep.bin", name), nF, nP);
  o.iff = resultfile::ReadInternalForces(Path("_if.bin", name), nF, nP);
  return o;
}

}  // namespace nonlinrun
