OPENQASM 3.0;
qubit[4] q;
bit[3] c;
h q[0];
c[0] = measure q[0];
if (c[0]) {
  x q[0];
} else {
  h q[1];
  c[0] = measure q[1];
  if (c[0]) {
    h q[2];
    c[1] = measure q[2];
    if (c[1]) {
      h q[3];
      c[2] = measure q[3];
      if (c[2]) {
        x q[3];
      }
    }
  }
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
