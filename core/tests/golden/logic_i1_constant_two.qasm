OPENQASM 3.0;
qubit[2] q;
bit[1] c;
c[0] = measure q[0];
if (1 == 1 && c[0] == 0 || !(1 == 1) && (c[0] == 1 && 0 == 1)) {
  x q[1];
}
if (true) {
  if (c[0] == 1 && 0 == 1) {
    x q[0];
  }
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
