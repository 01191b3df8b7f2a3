"""solve_nl against the program's .sol on the same stub and options."""
import os
import shutil
import subprocess

import ormid  # first: it finds NumPy where the package was built
import numpy as np
import pytest


def copy_stub(examples, name, directory):
    for ext in (".nl", ".row", ".col"):
        shutil.copy(os.path.join(examples, name + ext), str(directory))
    return os.path.join(str(directory), name)


def sol_values(stub):
    """The solve code and the finite variables' values (in .col order)."""
    with open(stub + ".col") as f:
        names = f.read().split()
    with open(stub + ".sol") as f:
        lines = f.read().split("\n")
    code_line = [line for line in lines if line.startswith("objno")][0]
    end = lines.index(code_line)
    values = [float(v) for v in lines[end - len(names):end]]
    finite = [v for n, v in zip(names, values) if not n.startswith("t")]
    return int(code_line.split()[2]), np.array(finite)


@pytest.mark.parametrize("name,options", [
    ("watson2", {"method": "exchange"}),
    ("oet1", {"method": "disc_reem", "disc_nlp": "ipopt"}),
    ("watson3", {}),
])
def test_the_same_answer_as_the_program_and_no_file(examples, program, tmp_path, name, options):
    by_program = tmp_path / "program"
    by_package = tmp_path / "package"
    by_program.mkdir()
    by_package.mkdir()
    stub = copy_stub(examples, name, by_program)
    words = ["%s=%s" % kv for kv in options.items()]
    subprocess.run([program, name, "-AMPL"] + words, cwd=str(by_program), check=True,
                   stdout=subprocess.DEVNULL, env={k: v for k, v in os.environ.items()
                                                   if k not in ("solver", "ormid_options")})
    code, x = sol_values(stub)
    packaged = copy_stub(examples, name, by_package)
    before = sorted(os.listdir(str(by_package)))
    r = ormid.solve_nl(packaged, **options)
    assert sorted(os.listdir(str(by_package))) == before
    assert r.status == code
    np.testing.assert_allclose(r.x, x, rtol=1e-9, atol=1e-12)


def test_a_missing_stub_and_a_bad_option(examples, tmp_path):
    with pytest.raises(FileNotFoundError):
        ormid.solve_nl(str(tmp_path / "nosuch"))
    stub = copy_stub(examples, "watson2", tmp_path)
    with pytest.raises(ValueError):
        ormid.solve_nl(stub, method="nosuch")
    os.remove(stub + ".row")
    with pytest.raises(ValueError):
        ormid.solve_nl(stub)
