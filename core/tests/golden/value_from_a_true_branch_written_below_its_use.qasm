OPENQASM 3.0;
qubit[1] q;
bit[1] c;
c[0] = measure q[0];
if (c[0]) {
  if (1 + 1 == 2) {
    x q[0];
  }
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
