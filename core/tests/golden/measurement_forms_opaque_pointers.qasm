OPENQASM 3.0;
qubit[3] q;
bit[2] c;
c[1] = measure q[2];
c[0] = measure q[0];
reset q[0];
reset q[2];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
