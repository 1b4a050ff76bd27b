OPENQASM 3.0;
qubit[4] q;
bit[2] c;
h q[0];
h q[1];
c[0] = measure q[0];
c[1] = measure q[1];
if (c[0] == c[1]) {
  x q[2];
} else {
  if (c[0] == 1 && c[1] == 0) {
    h q[2];
  } else {
    x q[3];
  }
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
